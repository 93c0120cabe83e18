// The class table: the classes this server publishes, with their creators and registry hooks.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "scoped_resource.h"

// Makes an object for `pv` (the class-object creator receives the instance creator there) and
// hands out its interface `riid`. Sets *ppv to null first.
using CreatorFn = HRESULT (*)(void* pv, REFIID riid, void** ppv);

// Laid out as ATL's _ATL_OBJMAP_ENTRY, as the server's design gives it. `description` and
// `categoryMap` are part of that layout; nothing reads them (this server's class has neither).
// One published class. The entry owns `classObject` when it is set (released at teardown);
// `cookie` is the platform's registration cookie once the class object is published.
struct ClassTableEntry {
    const CLSID* clsid;
    HRESULT (*updateRegistry)(bool doRegister);
    CreatorFn createClassObject;
    CreatorFn createInstance;
    ScopedInterface<IUnknown> classObject;
    DWORD cookie;
    const wchar_t* (*description)();
    const void* (*categoryMap)();
    void (*objectMain)(bool starting);
};

// Laid out as ATL's _ATL_COM_MODULE, as the server's design gives it; its critical section is
// part of that layout and is never entered.
// The range of the class table and the image that holds the type library. Constructed before
// the module; its critical section is initialised at construction (a failure sets initFailed)
// and the module's teardown tears it down, after which its own destruction does nothing.
class ClassTableRecord {
public:
    static constexpr UINT kInitialisedSize = 40;

    ClassTableRecord(HINSTANCE typeLibraryImage, ClassTableEntry** first, ClassTableEntry** end);
    ~ClassTableRecord() { Term(); }
    ClassTableRecord(const ClassTableRecord&) = delete;
    ClassTableRecord& operator=(const ClassTableRecord&) = delete;

    // Releases every cached class object, deletes the critical section; idempotent.
    void Term();

    HINSTANCE typeLibraryImage() const { return typeLibraryImage_; }
    ClassTableEntry** begin() const { return first_; }
    ClassTableEntry** end() const { return end_; }

private:
    UINT sizeMarker_ = 0;
    HINSTANCE typeLibraryImage_;
    ClassTableEntry** first_;
    ClassTableEntry** end_;
    CRITICAL_SECTION lock_{};
};

// Laid out as ATL's _ATL_BASE_MODULE, as the server's design gives it; the module instance and
// the critical section are part of that layout and nothing reads or enters them.
// The executable's own instance handle, as module and as resource instance (registration loads
// the registry scripts and the executable's file name through it).
class InstanceRecord {
public:
    static constexpr UINT kInitialisedSize = 56;

    explicit InstanceRecord(HINSTANCE instance);
    ~InstanceRecord();
    InstanceRecord(const InstanceRecord&) = delete;
    InstanceRecord& operator=(const InstanceRecord&) = delete;

    HINSTANCE resourceInstance() const { return resourceInstance_; }

private:
    UINT sizeMarker_ = 0;
    HINSTANCE moduleInstance_;
    HINSTANCE resourceInstance_;
    CRITICAL_SECTION lock_{};
};

// Set at start-up by any start-up object whose critical section cannot be initialised; the run
// then ends at once with -1.
extern bool initFailed;
