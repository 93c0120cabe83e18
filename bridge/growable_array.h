// GrowableArray: a contiguous array that grows as elements are appended, by a fixed rule, so
// its storage can be handed to the provider as it stands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

// Elements are moved to new storage by a byte copy, so only trivially copyable types qualify.
// The array frees its storage, not what its elements point to. Neither copied nor moved.
template <typename T> class GrowableArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved by a byte copy");

public:
    GrowableArray() = default;
    ~GrowableArray() { std::free(data_); }

    GrowableArray(const GrowableArray&) = delete;
    GrowableArray& operator=(const GrowableArray&) = delete;

    // Adds `element` at index Count(). E_OUTOFMEMORY when the array cannot grow; the array is
    // then unchanged.
    HRESULT Append(const T& element) {
        if (count_ >= capacity_) {
            if (count_ == UINT32_MAX) {
                return E_OUTOFMEMORY;
            }
            const HRESULT hr = Grow(count_ + 1);
            if (FAILED(hr)) return hr;
        }
        data_[count_++] = element;
        return S_OK;
    }

    // Makes room for `capacity` elements in all at once, when there is less, so that appending
    // that many costs one allocation. E_OUTOFMEMORY; the array is then unchanged.
    HRESULT Reserve(uint32_t capacity) {
        return capacity > capacity_ ? Reallocate(capacity) : S_OK;
    }

    // Frees the storage: the array is as new.
    void Clear() {
        std::free(data_);
        data_ = nullptr;
        count_ = 0;
        capacity_ = 0;
    }

    // The storage: Count() elements, or null while nothing was ever appended. It stays valid
    // until the next Append or the array's end.
    T* Data() const { return data_; }
    uint32_t Count() const { return count_; }
    uint32_t Capacity() const { return capacity_; }

private:
    // Grows to hold at least `needed` elements: exactly that many the first time; afterwards by
    // an eighth of the count, at least 4 and at most 1024 elements at once, so appends cost
    // amortised constant time while small lists stay small.
    HRESULT Grow(uint32_t needed) {
        uint32_t capacity = needed;
        if (data_ != nullptr) {
            uint32_t step = count_ / 8;
            step = step < 4 ? 4 : step > 1024 ? 1024 : step;
            uint64_t stepped = static_cast<uint64_t>(capacity_) + step;
            capacity = needed >= stepped ? needed : static_cast<uint32_t>(stepped);
        }
        return Reallocate(capacity);
    }

    HRESULT Reallocate(uint32_t capacity) {
        T* data = static_cast<T*>(std::calloc(capacity, sizeof(T)));
        if (data == nullptr) {
            return E_OUTOFMEMORY;
        }
        if (count_ != 0) {
            std::memcpy(data, data_, static_cast<size_t>(count_) * sizeof(T));
        }
        std::free(data_);
        data_ = data;
        capacity_ = capacity;
        return S_OK;
    }

    T* data_ = nullptr;
    uint32_t count_ = 0;
    uint32_t capacity_ = 0;
};
