// The server's class table and its module.
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
    return TheModule().ApplyRegistryResource(kClass64Script, doRegister, nullptr);
}
#else
HRESULT UpdateClassRegistry(bool doRegister) {
    return TheModule().ApplyRegistryResource(kClassScript, doRegister, nullptr);
}
HRESULT UpdateClass2Registry(bool doRegister) {
    return TheModule().ApplyRegistryResource(kClass2Script, doRegister, nullptr);
}
#endif
#if defined(_WIN64)
// The 64-bit server serves one class, the whole interface, for 64-bit providers.
ClassTableEntry classTable[] = {
    {&CLSID_TovikPlimoWrapper64, &UpdateClass64Registry, &CreateClassFactory, &CreatePlimoWrapper2,
     &ServedPlimoWrapper2::InterfaceTable, 0},
};
#else
ClassTableEntry classTable[] = {
    {&CLSID_TovikPlimoWrapper, &UpdateClassRegistry, &CreateClassFactory, &CreatePlimoWrapper,
     &ServedPlimoWrapper::InterfaceTable, 0},
    {&CLSID_TovikPlimoWrapper2, &UpdateClass2Registry, &CreateClassFactory, &CreatePlimoWrapper2,
     &ServedPlimoWrapper2::InterfaceTable, 0},
};
#endif

HINSTANCE ThisImage() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

} // namespace

// Made on first use, so that nothing depends on the order in which the process constructs its
// statics. The table is constant data and needs no construction.
PlimoComWrapperModule& TheModule() {
    static PlimoComWrapperModule module(ThisImage(), std::begin(classTable), std::end(classTable));
    return module;
}

ServerModule& CurrentModule() {
    return TheModule();
}
