// The project methods of ProviderSession.
#include "provider_session.h"

#include "in_out_string.h"
#include "wide_text.h"

using provider::ToWindow;

namespace {

// The provider interface's published limits for user names and project paths, and the
// platform's path limit for local paths, each with the terminator.
constexpr size_t kUserCapacity = SCC_USER_LEN + 1;
constexpr size_t kProjectCapacity = SCC_PRJPATH_LEN + 1;
constexpr size_t kLocalPathCapacity = MAX_PATH + 1;

} // namespace

HRESULT ProviderSession::SccGetProjPath(IUnknown* object, LONG hWnd, BSTR* lpUser, BSTR* lpProjName,
                                        BSTR* lpLocalPath, BSTR* lpAuxProjPath,
                                        VARIANT_BOOL bAllowChangePath, VARIANT_BOOL* pbNew,
                                        LONG* pResult) {
    if (lpUser == nullptr || lpProjName == nullptr || lpLocalPath == nullptr ||
        lpAuxProjPath == nullptr || pbNew == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kUserCapacity> user;
    InOutString<kProjectCapacity> project;
    InOutString<kLocalPathCapacity> localPath;
    InOutString<kProjectCapacity> auxPath;
    HRESULT loaded = user.Load(*lpUser);
    if (FAILED(loaded)) return loaded;
    loaded = project.Load(*lpProjName);
    if (FAILED(loaded)) return loaded;
    loaded = localPath.Load(*lpLocalPath);
    if (FAILED(loaded)) return loaded;
    loaded = auxPath.Load(*lpAuxProjPath);
    if (FAILED(loaded)) return loaded;
    return Forward(object, entry::kGetProjPath, [&](ProviderCall& call) {
        // The automation side counts -1 as true, the provider's BOOL 1.
        BOOL isNew = *pbNew != 0 ? TRUE : FALSE;
        const BOOL allowChangePath = bAllowChangePath != 0 ? TRUE : FALSE;
        *pResult = call.entry<provider::SccGetProjPathFn>()(context_, ToWindow(hWnd), user.get(),
                                                            project.get(), localPath.get(),
                                                            auxPath.get(), allowChangePath, &isNew);
        *pbNew = isNew != 0 ? VARIANT_TRUE : VARIANT_FALSE;

        // In this order; the first string that cannot be allocated stops the rest, which keep
        // the client's entry strings.
        HRESULT hr = user.Return(lpUser);
        if (FAILED(hr)) return hr;
        hr = project.Return(lpProjName);
        if (FAILED(hr)) return hr;
        hr = localPath.Return(lpLocalPath);
        if (FAILED(hr)) return hr;
        return auxPath.Return(lpAuxProjPath);
    });
}

HRESULT ProviderSession::SccOpenProject(IUnknown* object, LONG hWnd, BSTR* lpUser, BSTR lpProjName,
                                        BSTR lpLocalProjPath, BSTR* lpAuxProjPath, BSTR lpComment,
                                        LONG dwFlags, LONG* pResult) {
    if (lpUser == nullptr || lpProjName == nullptr || lpLocalProjPath == nullptr ||
        lpAuxProjPath == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kUserCapacity> user;
    InOutString<kProjectCapacity> auxPath;
    HRESULT loaded = user.Load(*lpUser);
    if (FAILED(loaded)) return loaded;
    loaded = auxPath.Load(*lpAuxProjPath);
    if (FAILED(loaded)) return loaded;
    return Forward(object, entry::kOpenProject, [&](ProviderCall& call) {
        // In-only texts go whole, whatever their length, or not at all.
        NarrowText comment, localPath, project;
        HRESULT hr = WideToNarrow(lpComment, &comment, TextRule::kFreeText);
        if (FAILED(hr)) return hr;
        hr = WideToNarrow(lpLocalProjPath, &localPath);
        if (FAILED(hr)) return hr;
        hr = WideToNarrow(lpProjName, &project);
        if (FAILED(hr)) return hr;
        *pResult = call.entry<provider::SccOpenProjectFn>()(
            context_, ToWindow(hWnd), user.get(), project.get(), localPath.get(), auxPath.get(),
            comment.get(), terms_.textOutput, dwFlags);
        hr = user.Return(lpUser);
        if (FAILED(hr)) return hr;
        return auxPath.Return(lpAuxProjPath);
    });
}

HRESULT ProviderSession::SccCreateSubProject(IUnknown* object, LONG hWnd, BSTR* lpUser,
                                             BSTR lpParentProjPath, BSTR lpSubProjName,
                                             BSTR* lpAuxProjPath, BSTR* lpSubProjPath,
                                             LONG* pResult) {
    if (lpUser == nullptr || lpParentProjPath == nullptr || lpSubProjName == nullptr ||
        lpAuxProjPath == nullptr || lpSubProjPath == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kUserCapacity> user;
    InOutString<kProjectCapacity> auxPath;
    InOutString<kProjectCapacity> subPath;
    HRESULT loaded = user.Load(*lpUser);
    if (FAILED(loaded)) return loaded;
    loaded = auxPath.Load(*lpAuxProjPath);
    if (FAILED(loaded)) return loaded;
    loaded = subPath.Load(*lpSubProjPath);
    if (FAILED(loaded)) return loaded;
    return Forward(object, entry::kCreateSubProject, [&](ProviderCall& call) {
        NarrowText parent, name;
        HRESULT hr = WideToNarrow(lpParentProjPath, &parent);
        if (FAILED(hr)) return hr;
        hr = WideToNarrow(lpSubProjName, &name);
        if (FAILED(hr)) return hr;
        *pResult = call.entry<provider::SccCreateSubProjectFn>()(
            context_, ToWindow(hWnd), user.get(), parent.get(), name.get(), auxPath.get(),
            subPath.get());
        hr = user.Return(lpUser);
        if (FAILED(hr)) return hr;
        hr = auxPath.Return(lpAuxProjPath);
        if (FAILED(hr)) return hr;
        return subPath.Return(lpSubProjPath);
    });
}

HRESULT ProviderSession::SccGetParentProjectPath(IUnknown* object, LONG hWnd, BSTR* lpUser,
                                                 BSTR lpProjPath, BSTR* lpAuxProjPath,
                                                 BSTR* lpParentProjPath, LONG* pResult) {
    if (lpUser == nullptr || lpProjPath == nullptr || lpAuxProjPath == nullptr ||
        lpParentProjPath == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kUserCapacity> user;
    InOutString<kProjectCapacity> auxPath;
    InOutString<kProjectCapacity> parentPath;
    HRESULT loaded = user.Load(*lpUser);
    if (FAILED(loaded)) return loaded;
    loaded = auxPath.Load(*lpAuxProjPath);
    if (FAILED(loaded)) return loaded;
    loaded = parentPath.Load(*lpParentProjPath);
    if (FAILED(loaded)) return loaded;
    return Forward(object, entry::kGetParentProjectPath, [&](ProviderCall& call) {
        NarrowText project;
        HRESULT hr = WideToNarrow(lpProjPath, &project);
        if (FAILED(hr)) return hr;
        *pResult = call.entry<provider::SccGetParentProjectPathFn>()(
            context_, ToWindow(hWnd), user.get(), project.get(), auxPath.get(), parentPath.get());
        hr = user.Return(lpUser);
        if (FAILED(hr)) return hr;
        hr = auxPath.Return(lpAuxProjPath);
        if (FAILED(hr)) return hr;
        return parentPath.Return(lpParentProjPath);
    });
}
