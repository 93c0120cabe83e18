#include "type_info_holder.h"

#include <oleauto.h>

#include <cstring>
#include <new>

#include "atl_module.h"
#include "com_ptr.h"

HRESULT CComTypeInfoHolder::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
    if (index != 0) {
        return DISP_E_BADINDEX;
    }
    if (info == nullptr) {
        return E_POINTER;
    }
    HRESULT hr = S_OK;
    if (typeInfo == nullptr) {
        hr = LoadTypeInfo(locale);
    }
    *info = typeInfo;
    if (typeInfo == nullptr) {
        return hr;
    }
    typeInfo->AddRef();
    return S_OK;
}

HRESULT CComTypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    HRESULT hr = S_OK;
    if (typeInfo == nullptr || nameCache == nullptr) {
        hr = LoadTypeInfo(locale);
    }
    if (typeInfo == nullptr) {
        return hr;
    }
    // Arguments the cache cannot use safely go to the type information, which rejects them.
    if (nameCache != nullptr && count == 1 && names != nullptr && names[0] != nullptr &&
        ids != nullptr) {
        const int length = ::lstrlenW(names[0]);
        for (int i = nameCount - 1; i >= 0; --i) {
            const NameCacheEntry& entry = nameCache[i];
            if (entry.name != nullptr && entry.length == length &&
                std::memcmp(entry.name, names[0], length * sizeof(wchar_t)) == 0) {
                ids[0] = entry.memberId;
                return S_OK;
            }
        }
    }
    return typeInfo->GetIDsOfNames(names, count, ids);
}

HRESULT CComTypeInfoHolder::Invoke(IDispatch* instance, DISPID member, LCID locale, WORD flags,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) {
    HRESULT hr = S_OK;
    if (typeInfo == nullptr || nameCache == nullptr) {
        hr = LoadTypeInfo(locale);
    }
    if (typeInfo == nullptr) {
        return hr;
    }
    return typeInfo->Invoke(instance, member, flags, parameters, result, exception, argumentError);
}

HRESULT CComTypeInfoHolder::LoadTypeInfo(LCID locale) {
    if (typeInfo != nullptr && nameCache != nullptr) {
        return S_OK;
    }
    ModuleLockGuard guard(*currentModule);
    HRESULT hr = E_FAIL;
    if (typeInfo == nullptr) {
        ScopedTypeLib library;
        hr = ::LoadRegTypeLib(*libraryId, majorVersion, minorVersion, locale, library.put());
        if (SUCCEEDED(hr)) {
            ITypeInfo* info = nullptr;
            hr = library.get()->GetTypeInfoOfGuid(*interfaceId, &info);
            if (SUCCEEDED(hr)) {
                ITypeInfo2* info2 = nullptr;
                if (SUCCEEDED(
                        info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(&info2)))) {
                    info->Release();
                    info = info2;
                }
                typeInfo = info;
                currentModule->AddTermFunction(&ReleaseTypeInfo, reinterpret_cast<DWORD_PTR>(this));
            }
        }
    } else {
        hr = S_OK;
    }
    if (typeInfo != nullptr && nameCache == nullptr) {
        hr = BuildNameCache(typeInfo);
    }
    return hr;
}

HRESULT CComTypeInfoHolder::BuildNameCache(ITypeInfo* info) {
    TYPEATTR* attr = nullptr;
    if (FAILED(info->GetTypeAttr(&attr))) {
        return S_OK; // no cache; the next call tries again
    }
    nameCount = attr->cFuncs;
    nameCache = nullptr;
    NameCacheEntry* entries = nullptr;
    if (nameCount != 0) {
        entries = new (std::nothrow) NameCacheEntry[nameCount];
        if (entries == nullptr) {
            info->ReleaseTypeAttr(attr);
            return E_OUTOFMEMORY;
        }
    }
    for (int i = 0; i < nameCount; ++i) {
        entries[i] = NameCacheEntry{nullptr, 0, DISPID_UNKNOWN};
        FUNCDESC* function = nullptr;
        if (FAILED(info->GetFuncDesc(i, &function))) {
            continue;
        }
        BSTR name = nullptr;
        if (SUCCEEDED(info->GetDocumentation(function->memid, &name, nullptr, nullptr, nullptr))) {
            entries[i] =
                NameCacheEntry{name, static_cast<int>(::SysStringLen(name)), function->memid};
        }
        info->ReleaseFuncDesc(function);
    }
    nameCache = entries;
    info->ReleaseTypeAttr(attr);
    return S_OK;
}

void CComTypeInfoHolder::ReleaseTypeInfo(DWORD_PTR value) {
    auto* holder = reinterpret_cast<CComTypeInfoHolder*>(value);
    if (holder->typeInfo != nullptr) {
        holder->typeInfo->Release();
        holder->typeInfo = nullptr;
    }
    for (int i = 0; holder->nameCache != nullptr && i < holder->nameCount; ++i) {
        ::SysFreeString(holder->nameCache[i].name);
    }
    delete[] holder->nameCache;
    holder->nameCache = nullptr;
}
