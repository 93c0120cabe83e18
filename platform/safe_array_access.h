// SafeArrayAccess: a SafeArrayAccessData scope, the array locked and its elements typed.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

// Holds the array's data for one scope; the array stays locked until the scope ends or `Close`.
// Move-only. T must be the array's element type (BSTR, LONG, VARIANT...).
template <class T> class SafeArrayAccess {
public:
    SafeArrayAccess() = default;
    ~SafeArrayAccess() { Close(); }

    SafeArrayAccess(const SafeArrayAccess&) = delete;
    SafeArrayAccess& operator=(const SafeArrayAccess&) = delete;
    SafeArrayAccess(SafeArrayAccess&& other) noexcept
        : array_(std::exchange(other.array_, nullptr)), data_(std::exchange(other.data_, nullptr)) {
    }
    SafeArrayAccess& operator=(SafeArrayAccess&& other) noexcept {
        if (this != &other) {
            Close();
            array_ = std::exchange(other.array_, nullptr);
            data_ = std::exchange(other.data_, nullptr);
        }
        return *this;
    }

    // Locks `array` and takes its data; ends any access held first. On failure nothing is held
    // and the result is the platform's.
    HRESULT Open(SAFEARRAY* array) {
        Close();
        void* data = nullptr;
        HRESULT hr = ::SafeArrayAccessData(array, &data);
        if (FAILED(hr)) return hr;
        array_ = array;
        data_ = static_cast<T*>(data);
        return S_OK;
    }

    // Ends the access now; the platform's result (S_OK when nothing was held).
    HRESULT Close() {
        data_ = nullptr;
        SAFEARRAY* array = std::exchange(array_, nullptr);
        return array != nullptr ? ::SafeArrayUnaccessData(array) : S_OK;
    }

    T* data() const { return data_; }
    T& operator[](size_t index) const { return data_[index]; }

private:
    SAFEARRAY* array_ = nullptr;
    T* data_ = nullptr;
};
