// The class table: the classes this server publishes, with their creators.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "interface_lookup.h"

// Makes an object for `pv` (the class-object creator receives the instance creator there) and
// hands out its interface `riid`. Sets *ppv to null first.
using CreatorFn = HRESULT (*)(void* pv, REFIID riid, void** ppv);

// One published class: its creators and the interfaces its objects answer;
// `cookie` is the platform's registration cookie while its class object is published, 0
// otherwise.
struct ClassTableEntry {
    const CLSID* clsid;
    CreatorFn createClassObject;
    CreatorFn createInstance;
    const InterfaceEntry* (*interfaces)();
    DWORD cookie;
};

// The entries of the table, which the caller keeps alive.
class ClassTable {
public:
    ClassTable(ClassTableEntry* first, ClassTableEntry* end) : first_(first), end_(end) {}

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
    ClassTableEntry* first_;
    ClassTableEntry* end_;
};
