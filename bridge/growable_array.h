// CGrowableArray: a contiguous array that grows as elements are appended, by a fixed rule, so
// its storage can be handed to the provider as it stands.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <type_traits>

#include "atl_exception.h"

// Elements are moved to new storage by a byte copy, so only trivially copyable types qualify.
// The array frees its storage, not what its elements point to. Neither copied nor moved.
template <typename T> class CGrowableArray {
    static_assert(std::is_trivially_copyable_v<T>, "elements are moved by a byte copy");

public:
    CGrowableArray() = default;
    ~CGrowableArray() { std::free(m_data); }

    CGrowableArray(const CGrowableArray&) = delete;
    CGrowableArray& operator=(const CGrowableArray&) = delete;

    // Adds `element` at index Count(). Throws CAtlException(E_OUTOFMEMORY) when the array cannot
    // grow; the array is then unchanged.
    void Append(const T& element) {
        if (m_count >= m_capacity) {
            if (m_count == UINT32_MAX) {
                throw CAtlException(E_OUTOFMEMORY);
            }
            Grow(m_count + 1);
        }
        m_data[m_count++] = element;
    }

    // Makes room for `capacity` elements in all at once, when there is less, so that appending
    // that many costs one allocation. Throws CAtlException(E_OUTOFMEMORY); the array is then
    // unchanged.
    void Reserve(uint32_t capacity) {
        if (capacity > m_capacity) {
            Reallocate(capacity);
        }
    }

    // The storage: Count() elements, or null while nothing was ever appended. It stays valid
    // until the next Append or the array's end.
    T* Data() const { return m_data; }
    uint32_t Count() const { return m_count; }
    uint32_t Capacity() const { return m_capacity; }

private:
    // Grows to hold at least `needed` elements: exactly that many the first time; afterwards by
    // an eighth of the count, at least 4 and at most 1024 elements at once, so appends cost
    // amortised constant time while small lists stay small.
    void Grow(uint32_t needed) {
        uint32_t capacity = needed;
        if (m_data != nullptr) {
            uint32_t step = m_count / 8;
            step = step < 4 ? 4 : step > 1024 ? 1024 : step;
            uint64_t stepped = static_cast<uint64_t>(m_capacity) + step;
            capacity = needed >= stepped ? needed : static_cast<uint32_t>(stepped);
        }
        Reallocate(capacity);
    }

    void Reallocate(uint32_t capacity) {
        T* data = static_cast<T*>(std::calloc(capacity, sizeof(T)));
        if (data == nullptr) {
            throw CAtlException(E_OUTOFMEMORY);
        }
        if (m_count != 0) {
            std::memcpy(data, m_data, static_cast<size_t>(m_count) * sizeof(T));
        }
        std::free(m_data);
        m_data = data;
        m_capacity = capacity;
    }

    T* m_data = nullptr;
    uint32_t m_count = 0;
    uint32_t m_capacity = 0;
};
