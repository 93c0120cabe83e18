// The class table: the classes this server publishes, with their creators and registry hooks.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "interface_lookup.h"

// Makes an object for `pv` (the class-object creator receives the instance creator there) and
// hands out its interface `riid`. Sets *ppv to null first.
using CreatorFn = HRESULT (*)(void* pv, REFIID riid, void** ppv);

// One published class: its creators, registry hook and the interfaces its objects answer;
// `cookie` is the platform's registration cookie while its class object is published, 0
// otherwise.
struct ClassTableEntry {
    const CLSID* clsid;
    HRESULT (*updateRegistry)(bool doRegister);
    CreatorFn createClassObject;
    CreatorFn createInstance;
    const InterfaceEntry* (*interfaces)();
    DWORD cookie;
};

// The entries of the table (which the caller keeps alive) and the image that holds the classes'
// type libraries.
class ClassTable {
public:
    ClassTable(HINSTANCE typeLibraryImage, ClassTableEntry* first, ClassTableEntry* end)
        : typeLibraryImage_(typeLibraryImage), first_(first), end_(end) {}

    HINSTANCE typeLibraryImage() const { return typeLibraryImage_; }
    ClassTableEntry* begin() const { return first_; }
    ClassTableEntry* end() const { return end_; }
    size_t size() const { return static_cast<size_t>(end_ - first_); }

    // Whether an object of some class of the table answers `iid` (IUnknown aside, which COM's
    // own calls use).
    bool AnswersInterface(REFIID iid) const {
        for (const ClassTableEntry& entry : *this) {
            for (const InterfaceEntry* answered = entry.interfaces(); answered->iid != nullptr;
                 ++answered) {
                if (::IsEqualIID(iid, *answered->iid)) {
                    return true;
                }
            }
        }
        return false;
    }

private:
    HINSTANCE typeLibraryImage_;
    ClassTableEntry* first_;
    ClassTableEntry* end_;
};
