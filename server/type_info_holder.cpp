#include "type_info_holder.h"

#include <oleauto.h>

#include <cstring>
#include <memory>
#include <new>

#include "atl_module.h"
#include "scoped_resource.h"
#include "type_library_owners.h"

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
    if (typeInfo == nullptr) {
        ScopedTypeLib library;
        HRESULT hr =
            ::LoadRegTypeLib(*libraryId, majorVersion, minorVersion, locale, library.put());
        if (FAILED(hr)) {
            return hr;
        }
        ScopedTypeInfo info;
        hr = library->GetTypeInfoOfGuid(*interfaceId, info.put());
        if (FAILED(hr)) {
            return hr;
        }
        // The richer ITypeInfo2, where the library offers it.
        ScopedInterface<ITypeInfo2> info2;
        if (SUCCEEDED(
                info->QueryInterface(IID_ITypeInfo2, reinterpret_cast<void**>(info2.put())))) {
            info.reset(info2.release());
        }
        typeInfo = info.release();
        currentModule->AddTermFunction(&ReleaseTypeInfo, reinterpret_cast<DWORD_PTR>(this));
    }
    if (nameCache == nullptr) {
        return BuildNameCache(typeInfo);
    }
    return S_OK;
}

HRESULT CComTypeInfoHolder::BuildNameCache(ITypeInfo* info) {
    ScopedTypeAttr attr;
    if (FAILED(info->GetTypeAttr(attr.put(info)))) {
        return S_OK; // no cache; the next call tries again
    }
    const int count = attr->cFuncs;
    std::unique_ptr<NameCacheEntry[]> entries;
    if (count != 0) {
        entries.reset(new (std::nothrow) NameCacheEntry[count]);
        if (!entries) {
            return E_OUTOFMEMORY;
        }
    }
    for (int i = 0; i < count; ++i) {
        entries[i] = NameCacheEntry{nullptr, 0, DISPID_UNKNOWN};
        ScopedFuncDesc function;
        if (FAILED(info->GetFuncDesc(i, function.put(info)))) {
            continue;
        }
        ScopedBstr name;
        if (SUCCEEDED(
                info->GetDocumentation(function->memid, name.put(), nullptr, nullptr, nullptr))) {
            const int length = static_cast<int>(::SysStringLen(name.get()));
            entries[i] = NameCacheEntry{name.release(), length, function->memid};
        }
    }
    nameCount = count;
    nameCache = entries.release();
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
