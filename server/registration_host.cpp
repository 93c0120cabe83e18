// The module's side of registration: the image it registers, its class table and its
// replacement variables.
#include "plimo_com_wrapper_module.h"

#include "class_table.h"
#include "reg_object.h"
#include "server_identity.h"

HRESULT CPlimoCOMWrapperModule::AddCommonVariables(IRegistrarBase* registrar) {
    return registrar->AddVariable(L"APPID", kAppIdText);
}

HINSTANCE CPlimoCOMWrapperModule::ResourceInstance() const {
    return instance_.resourceInstance();
}

HINSTANCE CPlimoCOMWrapperModule::TypeLibraryImage() const {
    return classTable().typeLibraryImage();
}

size_t CPlimoCOMWrapperModule::ClassCount() const {
    return static_cast<size_t>(classTable().end() - classTable().begin());
}

RegisteredClass CPlimoCOMWrapperModule::ClassAt(size_t index) const {
    const ClassTableEntry* entry = classTable().begin()[index];
    if (entry == nullptr) {
        return RegisteredClass{nullptr, nullptr};
    }
    return RegisteredClass{entry->clsid, entry->updateRegistry};
}
