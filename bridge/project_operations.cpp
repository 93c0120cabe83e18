// The project methods of CPlimoWrapper.
#include "plimo_wrapper.h"

#include "in_out_string.h"
#include "provider_entry_points.h"
#include "wide_text.h"
#include "win32_error.h"

using provider::ToWindow;

namespace {

// The provider interface's published limits for user names and project paths, and the
// platform's path limit for local paths, each with the terminator.
constexpr size_t kUserCapacity = 32;
constexpr size_t kProjectCapacity = 301;
constexpr size_t kLocalPathCapacity = 261;

} // namespace

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetProjPath(LONG hWnd, BSTR* lpUser, BSTR* lpProjName,
                                                        BSTR* lpLocalPath, BSTR* lpAuxProjPath,
                                                        VARIANT_BOOL bAllowChangePath,
                                                        VARIANT_BOOL* pbNew, LONG* pResult) {
    if (lpUser == nullptr || lpProjName == nullptr || lpLocalPath == nullptr ||
        lpAuxProjPath == nullptr || pbNew == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kUserCapacity> user(*lpUser);
    InOutString<kProjectCapacity> project(*lpProjName);
    InOutString<kLocalPathCapacity> localPath(*lpLocalPath);
    InOutString<kProjectCapacity> auxPath(*lpAuxProjPath);
    for (HRESULT loaded : {user.status(), project.status(), localPath.status(), auxPath.status()}) {
        if (FAILED(loaded)) return loaded;
    }
    // The automation side counts -1 as true, the provider's BOOL 1.
    BOOL isNew = *pbNew != 0 ? TRUE : FALSE;

    ProviderCall call = Enter("SccGetProjPath");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccGetProjPathFn>();
    BOOL allowChangePath = bAllowChangePath != 0 ? TRUE : FALSE;

    call.Run([&] {
        *pResult = entry(m_pvContext, ToWindow(hWnd), user.get(), project.get(), localPath.get(),
                         auxPath.get(), allowChangePath, &isNew);
    });
    *pbNew = isNew != 0 ? VARIANT_TRUE : VARIANT_FALSE;

    // In this order; the first string that cannot be allocated stops the rest, which keep the
    // client's entry strings.
    HRESULT hr = user.Return(lpUser);
    if (FAILED(hr)) return hr;
    hr = project.Return(lpProjName);
    if (FAILED(hr)) return hr;
    hr = localPath.Return(lpLocalPath);
    if (FAILED(hr)) return hr;
    return auxPath.Return(lpAuxProjPath);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccOpenProject(LONG hWnd, BSTR* lpUser, BSTR lpProjName,
                                                        BSTR lpLocalProjPath, BSTR* lpAuxProjPath,
                                                        BSTR lpComment, LONG dwFlags,
                                                        LONG* pResult) {
    if (lpUser == nullptr || lpProjName == nullptr || lpLocalProjPath == nullptr ||
        lpAuxProjPath == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kUserCapacity> user(*lpUser);
    InOutString<kProjectCapacity> auxPath(*lpAuxProjPath);
    for (HRESULT loaded : {user.status(), auxPath.status()}) {
        if (FAILED(loaded)) return loaded;
    }

    ProviderCall call = Enter("SccOpenProject");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccOpenProjectFn>();
    // In-only texts go whole, whatever their length, or not at all.
    NarrowText comment, localPath, project;
    HRESULT converted = WideToNarrow(lpComment, &comment);
    if (FAILED(converted)) return converted;
    converted = WideToNarrow(lpLocalProjPath, &localPath);
    if (FAILED(converted)) return converted;
    converted = WideToNarrow(lpProjName, &project);
    if (FAILED(converted)) return converted;

    // The text-output procedure only where the messages are collected (IPlimoWrapper2's class):
    // IPlimoWrapper offers none.
    call.Run([&] {
        *pResult = entry(m_pvContext, ToWindow(hWnd), user.get(), project.get(), localPath.get(),
                         auxPath.get(), comment.get(),
                         wholeInterface_ ? &CollectProviderMessage : nullptr, dwFlags);
    });

    HRESULT hr = user.Return(lpUser);
    if (FAILED(hr)) return hr;
    return auxPath.Return(lpAuxProjPath);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccCreateSubProject(LONG hWnd, BSTR* lpUser,
                                                             BSTR lpParentProjPath,
                                                             BSTR lpSubProjName,
                                                             BSTR* lpAuxProjPath,
                                                             BSTR* lpSubProjPath, LONG* pResult) {
    if (lpUser == nullptr || lpParentProjPath == nullptr || lpSubProjName == nullptr ||
        lpAuxProjPath == nullptr || lpSubProjPath == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kUserCapacity> user(*lpUser);
    InOutString<kProjectCapacity> auxPath(*lpAuxProjPath);
    InOutString<kProjectCapacity> subPath(*lpSubProjPath);
    for (HRESULT loaded : {user.status(), auxPath.status(), subPath.status()}) {
        if (FAILED(loaded)) return loaded;
    }
    ProviderCall call = Enter("SccCreateSubProject");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccCreateSubProjectFn>();
    NarrowText parent, name;
    HRESULT converted = WideToNarrow(lpParentProjPath, &parent);
    if (FAILED(converted)) return converted;
    converted = WideToNarrow(lpSubProjName, &name);
    if (FAILED(converted)) return converted;

    call.Run([&] {
        *pResult = entry(m_pvContext, ToWindow(hWnd), user.get(), parent.get(), name.get(),
                         auxPath.get(), subPath.get());
    });

    HRESULT hr = user.Return(lpUser);
    if (FAILED(hr)) return hr;
    hr = auxPath.Return(lpAuxProjPath);
    if (FAILED(hr)) return hr;
    return subPath.Return(lpSubProjPath);
}

HRESULT STDMETHODCALLTYPE CPlimoWrapper::SccGetParentProjectPath(LONG hWnd, BSTR* lpUser,
                                                                 BSTR lpProjPath,
                                                                 BSTR* lpAuxProjPath,
                                                                 BSTR* lpParentProjPath,
                                                                 LONG* pResult) {
    if (lpUser == nullptr || lpProjPath == nullptr || lpAuxProjPath == nullptr ||
        lpParentProjPath == nullptr || pResult == nullptr) {
        return E_INVALIDARG;
    }
    InOutString<kUserCapacity> user(*lpUser);
    InOutString<kProjectCapacity> auxPath(*lpAuxProjPath);
    InOutString<kProjectCapacity> parentPath(*lpParentProjPath);
    for (HRESULT loaded : {user.status(), auxPath.status(), parentPath.status()}) {
        if (FAILED(loaded)) return loaded;
    }
    ProviderCall call = Enter("SccGetParentProjectPath");
    if (FAILED(call.status())) return call.status();
    auto entry = call.entry<provider::SccGetParentProjectPathFn>();
    NarrowText project;
    const HRESULT converted = WideToNarrow(lpProjPath, &project);
    if (FAILED(converted)) return converted;

    call.Run([&] {
        *pResult = entry(m_pvContext, ToWindow(hWnd), user.get(), project.get(), auxPath.get(),
                         parentPath.get());
    });

    HRESULT hr = user.Return(lpUser);
    if (FAILED(hr)) return hr;
    hr = auxPath.Return(lpAuxProjPath);
    if (FAILED(hr)) return hr;
    return parentPath.Return(lpParentProjPath);
}
