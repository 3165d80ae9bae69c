#pragma once

#include <cstdint>
#include <utility>

// A pointer that either owns its target, freed by Free, or only borrows it: rows and values
// read by open() live in large blocks of their dataset and go with them. Whether it owns rides in
// the lowest bit of the address, which alignment leaves free, so a million rows pay one word
// each for it instead of two.
template <typename T, typename Free> class MaybeOwned
{
    static_assert(alignof(T) >= 2);

public:
    MaybeOwned() noexcept = default;
    explicit MaybeOwned(T* owned) noexcept : m_bits(address(owned) | (owned ? 1u : 0u)) {}
    static MaybeOwned borrowed(T* target) noexcept
    {
        MaybeOwned pointer;
        pointer.m_bits = address(target);
        return pointer;
    }
    MaybeOwned(MaybeOwned&& other) noexcept : m_bits(std::exchange(other.m_bits, 0)) {}
    MaybeOwned& operator=(MaybeOwned&& other) noexcept
    {
        if (this != &other) {
            reset();
            m_bits = std::exchange(other.m_bits, 0);
        }
        return *this;
    }
    MaybeOwned(const MaybeOwned&) = delete;
    MaybeOwned& operator=(const MaybeOwned&) = delete;
    ~MaybeOwned() { reset(); }

    T* get() const noexcept { return reinterpret_cast<T*>(m_bits & ~uintptr_t(1)); }
    T* operator->() const noexcept { return get(); }
    T& operator*() const noexcept { return *get(); }
    T& operator[](size_t index) const noexcept { return get()[index]; }
    explicit operator bool() const noexcept { return m_bits != 0; }
    void reset() noexcept
    {
        if (m_bits & 1)
            Free()(get());
        m_bits = 0;
    }

private:
    static uintptr_t address(T* target) noexcept { return reinterpret_cast<uintptr_t>(target); }

    uintptr_t m_bits = 0;
};
