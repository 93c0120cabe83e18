// The classes this server publishes, as its description names them, and the module that
// publishes them. The server of each width is built from the same sources: its description
// decides which one it is.
#include <windows.h>

#include <iterator>

#include "class_factory.h"
#include "class_table.h"
#include "plimo_com_wrapper_module.h"
#include "served_plimo_wrapper.h"
#include "server_description.h"

// The image this code is linked into: the server executable (or a test program).
extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

#if defined(_WIN64)
constexpr const ServerDescription& kThisServer = kServer64;
// The 64-bit server serves one class, the whole interface, for 64-bit providers.
ClassTableEntry classTable[] = {
    {kServer64.classes[0].clsid, &CreateClassFactory, &CreatePlimoWrapper2,
     &ServedPlimoWrapper2::InterfaceTable, 0},
};
#else
constexpr const ServerDescription& kThisServer = kServer32;
ClassTableEntry classTable[] = {
    {kServer32.classes[0].clsid, &CreateClassFactory, &CreatePlimoWrapper,
     &ServedPlimoWrapper::InterfaceTable, 0},
    {kServer32.classes[1].clsid, &CreateClassFactory, &CreatePlimoWrapper2,
     &ServedPlimoWrapper2::InterfaceTable, 0},
};
#endif
static_assert(std::size(classTable) == kThisServer.classCount,
              "one row of the class table for each class of the description");

HINSTANCE ThisImage() {
    return reinterpret_cast<HINSTANCE>(&__ImageBase);
}

} // namespace

// Made on first use, so that nothing depends on the order in which the process constructs its
// statics. The table is constant data and needs no construction.
PlimoComWrapperModule& TheModule() {
    static PlimoComWrapperModule module(kThisServer, ThisImage(), std::begin(classTable),
                                        std::end(classTable));
    return module;
}

ServerModule& CurrentModule() {
    return TheModule();
}
