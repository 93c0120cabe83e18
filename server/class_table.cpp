#include "class_table.h"

#include "com_object_root.h"

bool initFailed = false;

ClassTableRecord::ClassTableRecord(HINSTANCE typeLibraryImage, ClassTableEntry** first,
                                   ClassTableEntry** end)
    : typeLibraryImage_(typeLibraryImage), first_(first), end_(end) {
    if (FAILED(InitializeLock(&lock_))) {
        initFailed = true;
        return;
    }
    sizeMarker_ = kInitialisedSize;
}

void ClassTableRecord::Term() {
    if (sizeMarker_ == 0) {
        return;
    }
    for (ClassTableEntry** entry = first_; entry != end_; ++entry) {
        if (*entry != nullptr) {
            (*entry)->classObject.reset();
        }
    }
    ::DeleteCriticalSection(&lock_);
    sizeMarker_ = 0;
}

InstanceRecord::InstanceRecord(HINSTANCE instance)
    : moduleInstance_(instance), resourceInstance_(instance) {
    if (FAILED(InitializeLock(&lock_))) {
        initFailed = true;
        return;
    }
    sizeMarker_ = kInitialisedSize;
}

InstanceRecord::~InstanceRecord() {
    if (sizeMarker_ != 0) {
        ::DeleteCriticalSection(&lock_);
        sizeMarker_ = 0;
    }
}
