// The module's side of registration: the image it registers, its class table and its
// replacement variables.
#include "plimo_com_wrapper_module.h"

#include "class_table.h"
#include "server_identity.h"

const RegistryVariable* PlimoComWrapperModule::CommonVariables() const {
    static const RegistryVariable kCommonVariables[] = {{L"APPID", kAppIdText}, {nullptr, nullptr}};
    return kCommonVariables;
}

HINSTANCE PlimoComWrapperModule::ResourceInstance() const {
    return image_;
}

HINSTANCE PlimoComWrapperModule::TypeLibraryImage() const {
    return classTable().typeLibraryImage();
}

size_t PlimoComWrapperModule::ClassCount() const {
    return classTable().size();
}

RegisteredClass PlimoComWrapperModule::ClassAt(size_t index) const {
    const ClassTableEntry& entry = classTable().begin()[index];
    return RegisteredClass{entry.clsid, entry.updateRegistry};
}
