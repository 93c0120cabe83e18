// The process-wide start-up objects, defined in one place so that they are constructed in the
// order the module relies on: the class table record, the instance record, then the module.
#include <windows.h>

#include <iterator>

#include "class_factory.h"
#include "class_table.h"
#include "plimo_com_wrapper_module.h"
#include "PlimoCOMWrapper.h"
#include "PlimoCOMWrapper2.h"
#include "PlimoCOMWrapper64.h"
#include "served_plimo_wrapper.h"
#include "server_identity.h"

// The image this code is linked into: the server executable (or a test program).
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

#if defined(_WIN64)
HRESULT UpdateClass64Registry(bool doRegister) {
    return theModule.ApplyRegistryResource(kClass64Script, doRegister, nullptr);
}
#else
HRESULT UpdateClassRegistry(bool doRegister) {
    return theModule.ApplyRegistryResource(kClassScript, doRegister, nullptr);
}
HRESULT UpdateClass2Registry(bool doRegister) {
    return theModule.ApplyRegistryResource(kClass2Script, doRegister, nullptr);
}
#endif
const wchar_t* NoDescription() {
    return nullptr;
}
// No class of this server belongs to a component category.
const void* NoCategories() {
    return nullptr;
}
void NoObjectMain(bool) {}

#if defined(_WIN64)
// The 64-bit server serves one class, the whole interface, for 64-bit providers.
ClassTableEntry plimoWrapper64Entry = {&CLSID_TovikPlimoWrapper64,
                                       &UpdateClass64Registry,
                                       &CreateClassFactory,
                                       &CreatePlimoWrapper2,
                                       {},
                                       0,
                                       &NoDescription,
                                       &NoCategories,
                                       &NoObjectMain};

ClassTableEntry* classTable[] = {&plimoWrapper64Entry};
#else
ClassTableEntry plimoWrapperEntry = {
    &CLSID_TovikPlimoWrapper, &UpdateClassRegistry, &CreateClassFactory, &CreatePlimoWrapper, {}, 0,
    &NoDescription,           &NoCategories,        &NoObjectMain};

ClassTableEntry plimoWrapper2Entry = {&CLSID_TovikPlimoWrapper2,
                                      &UpdateClass2Registry,
                                      &CreateClassFactory,
                                      &CreatePlimoWrapper2,
                                      {},
                                      0,
                                      &NoDescription,
                                      &NoCategories,
                                      &NoObjectMain};

ClassTableEntry* classTable[] = {&plimoWrapperEntry, &plimoWrapper2Entry};
#endif

HINSTANCE ThisImage() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

} // namespace

// Defined here, so that whatever reaches the module also links the objects that make it.
CAtlModule* currentModule = nullptr;

ClassTableRecord classTableRecord(ThisImage(), std::begin(classTable), std::end(classTable));
InstanceRecord instanceRecord(ThisImage());
CPlimoCOMWrapperModule theModule(classTableRecord, instanceRecord);
