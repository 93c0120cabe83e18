#include "type_info_holder.h"

#include <oleauto.h>

#include <cstring>
#include <new>

#include "type_library_owners.h"

namespace {

// Holds an SRW lock exclusively for one scope.
class ExclusiveLock {
public:
    explicit ExclusiveLock(SRWLOCK& lock) : lock_(lock) { ::AcquireSRWLockExclusive(&lock_); }
    ~ExclusiveLock() { ::ReleaseSRWLockExclusive(&lock_); }
    ExclusiveLock(const ExclusiveLock&) = delete;
    ExclusiveLock& operator=(const ExclusiveLock&) = delete;

private:
    SRWLOCK& lock_;
};

} // namespace

HRESULT TypeInfoHolder::GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) {
    if (index != 0) return DISP_E_BADINDEX;
    if (info == nullptr) return E_POINTER;
    Loaded loaded;
    HRESULT hr = Load(locale, &loaded);
    *info = loaded.info;
    if (*info == nullptr) return hr;
    (*info)->AddRef();
    return S_OK;
}

HRESULT TypeInfoHolder::GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
    Loaded loaded;
    HRESULT hr = Load(locale, &loaded);
    if (loaded.info == nullptr) return hr;
    // Arguments the cache cannot use safely go to the type information, which rejects them.
    if (loaded.names != nullptr && count == 1 && names != nullptr && names[0] != nullptr &&
        ids != nullptr) {
        const int length = ::lstrlenW(names[0]);
        for (int i = loaded.nameCount - 1; i >= 0; --i) {
            const CachedName& entry = loaded.names[i];
            if (entry.name && entry.length == length &&
                std::memcmp(entry.name.get(), names[0], length * sizeof(wchar_t)) == 0) {
                ids[0] = entry.memberId;
                return S_OK;
            }
        }
    }
    return loaded.info->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoHolder::Invoke(IDispatch* instance, DISPID member, LCID locale, WORD flags,
                               DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                               UINT* argumentError) {
    Loaded loaded;
    HRESULT hr = Load(locale, &loaded);
    if (loaded.info == nullptr) return hr;
    return loaded.info->Invoke(instance, member, flags, parameters, result, exception,
                               argumentError);
}

HRESULT TypeInfoHolder::Load(LCID locale, Loaded* loaded) {
    ExclusiveLock guard(lock_);
    const HRESULT hr = !typeInfo_ || !nameCache_ ? LoadMissing(locale) : S_OK;
    *loaded = Loaded{typeInfo_.get(), nameCache_.get(), nameCount_};
    return hr;
}

HRESULT TypeInfoHolder::LoadMissing(LCID locale) {
    if (!typeInfo_) {
        // The registered library, not the image's own: COM marshals the interface from it, so
        // late and early binding read one description; registration makes the entry of this
        // width name this server's file; and a host of the objects in its own process carries
        // no library in its image.
        ScopedTypeLib library;
        HRESULT hr =
            ::LoadRegTypeLib(*libraryId_, majorVersion_, minorVersion_, locale, library.put());
        if (FAILED(hr)) return hr;
        ScopedTypeInfo info;
        hr = library->GetTypeInfoOfGuid(*interfaceId_, info.put());
        if (FAILED(hr)) return hr;
        // The richer ITypeInfo2, where the library offers it.
        ComPtr<ITypeInfo2> info2;
        if (SUCCEEDED(info.As(&info2))) {
            info.reset(info2.release());
        }
        typeInfo_ = std::move(info);
    }
    if (!nameCache_) return BuildNameCache(typeInfo_.get());
    return S_OK;
}

HRESULT TypeInfoHolder::BuildNameCache(ITypeInfo* info) {
    ScopedTypeAttr attr;
    if (FAILED(info->GetTypeAttr(attr.put(info)))) {
        return S_OK; // no cache; the next call tries again
    }
    const int count = attr->cFuncs;
    // One entry at least, so that a type without methods still counts as cached.
    std::unique_ptr<CachedName[]> entries(new (std::nothrow) CachedName[count > 0 ? count : 1]);
    if (!entries) return E_OUTOFMEMORY;
    for (int i = 0; i < count; ++i) {
        ScopedFuncDesc function;
        if (FAILED(info->GetFuncDesc(i, function.put(info)))) {
            continue;
        }
        CachedName& entry = entries[i];
        if (SUCCEEDED(info->GetDocumentation(function->memid, entry.name.put(), nullptr, nullptr,
                                             nullptr))) {
            entry.length = static_cast<int>(::SysStringLen(entry.name.get()));
            entry.memberId = function->memid;
        }
    }
    nameCount_ = count;
    nameCache_ = std::move(entries);
    return S_OK;
}
