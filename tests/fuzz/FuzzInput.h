#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

// Reads the fuzzer's bytes front to back; past the end every read gives zeros.
class FuzzInput
{
public:
    FuzzInput(const uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool empty() const { return m_pos >= m_size; }
    std::size_t remaining() const { return empty() ? 0 : m_size - m_pos; }

    uint8_t byte() { return empty() ? 0 : m_data[m_pos++]; }

    template <typename T> T value()
    {
        T v{};
        bytes(&v, sizeof v);
        return v;
    }

    void bytes(void* out, std::size_t count)
    {
        auto* target = static_cast<uint8_t*>(out);
        const std::size_t available = count < remaining() ? count : remaining();
        if (available > 0)
            std::memcpy(target, m_data + m_pos, available);
        std::memset(target + available, 0, count - available);
        m_pos += available;
    }

private:
    const uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

// Ends the run with a report libFuzzer keeps, when an invariant of the program breaks.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "invariant broken: %s (%s:%d)\n", #condition, __FILE__,           \
                         __LINE__);                                                                \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (0)
