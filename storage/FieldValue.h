#pragma once

#include <QByteArray>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <optional>

// The value of one field in a cached row: null, an integer, a floating value (date-times are
// OLE dates) or bytes (CHAR text and blob contents).
//
// Eight bytes, since a project holds a dozen of them for each of up to millions of rows. A real
// is kept as its own bits. Every other value is a negative quiet NaN whose bits 48-50 carry a
// non-zero tag, and its payload is either a 48-bit integer or a pointer to the heap, where bytes
// live, and so do the rare values that do not fit: integers beyond 48 bits and reals whose bits
// fall among the tagged ones (NaNs with such payloads). Every value, NaN payloads included,
// reads back exactly as it was given. LeakSanitizer cannot follow the tagged pointers: bytes held
// by values still alive when a process exits are reported as leaks.
class FieldValue
{
public:
    FieldValue() noexcept : m_bits(tagged(Tag::Null, 0)) {}
    FieldValue(int64_t value)
    {
        if (value >= -PayloadLimit && value < PayloadLimit)
            m_bits = tagged(Tag::Integer, static_cast<uint64_t>(value));
        else
            m_bits = taggedPointer(Tag::BoxedInteger, new int64_t(value));
    }
    FieldValue(double value)
    {
        m_bits = std::bit_cast<uint64_t>(value);
        if (isTaggedBits(m_bits))
            m_bits = taggedPointer(Tag::BoxedReal, new double(value));
    }
    FieldValue(const QByteArray& value) : m_bits(taggedPointer(Tag::Bytes, new QByteArray(value)))
    {
    }
    FieldValue(QByteArray&& value)
        : m_bits(taggedPointer(Tag::Bytes, new QByteArray(std::move(value))))
    {
    }
    FieldValue(const FieldValue& other) : m_bits(other.m_bits)
    {
        switch (tagOf(m_bits)) {
        case Tag::BoxedInteger:
            m_bits = taggedPointer(Tag::BoxedInteger, new int64_t(*other.pointer<int64_t>()));
            break;
        case Tag::BoxedReal:
            m_bits = taggedPointer(Tag::BoxedReal, new double(*other.pointer<double>()));
            break;
        case Tag::Bytes:
            m_bits = taggedPointer(Tag::Bytes, new QByteArray(*other.pointer<QByteArray>()));
            break;
        default:
            break;
        }
    }
    FieldValue(FieldValue&& other) noexcept : m_bits(other.m_bits) { other.m_bits = nullBits(); }
    FieldValue& operator=(const FieldValue& other)
    {
        if (this != &other)
            *this = FieldValue(other);
        return *this;
    }
    FieldValue& operator=(FieldValue&& other) noexcept
    {
        if (this != &other) {
            release();
            m_bits = other.m_bits;
            other.m_bits = nullBits();
        }
        return *this;
    }
    ~FieldValue() { release(); }

    bool isNull() const { return m_bits == nullBits(); }
    // Each answers nothing when the value is of another kind.
    std::optional<int64_t> integer() const
    {
        switch (tagOf(m_bits)) {
        case Tag::Integer:
            return static_cast<int64_t>(m_bits << 16) >> 16; // sign-extends the 48-bit payload
        case Tag::BoxedInteger:
            return *pointer<int64_t>();
        default:
            return std::nullopt;
        }
    }
    std::optional<double> real() const
    {
        switch (tagOf(m_bits)) {
        case Tag::None:
            return std::bit_cast<double>(m_bits);
        case Tag::BoxedReal:
            return *pointer<double>();
        default:
            return std::nullopt;
        }
    }
    const QByteArray* bytes() const
    {
        return tagOf(m_bits) == Tag::Bytes ? pointer<QByteArray>() : nullptr;
    }

    // Reals compare by value (NaN equals nothing), as they always have.
    bool operator==(const FieldValue& other) const
    {
        if (const auto mine = real()) {
            const auto theirs = other.real();
            return theirs && *mine == *theirs;
        }
        if (const auto* mine = bytes()) {
            const auto* theirs = other.bytes();
            return theirs && *mine == *theirs;
        }
        if (const auto mine = integer())
            return other.integer() == mine;
        return other.isNull();
    }

private:
    enum class Tag : uint8_t
    {
        None, // a real kept as its bits
        Null,
        Integer,
        BoxedInteger,
        BoxedReal,
        Bytes
    };
    static constexpr uint64_t NanBits = 0xFFF8'0000'0000'0000ull; // sign, exponent, quiet bit
    static constexpr int TagShift = 48;
    static constexpr uint64_t PayloadMask = (1ull << TagShift) - 1;
    static constexpr int64_t PayloadLimit = int64_t(1) << (TagShift - 1);

    static constexpr uint64_t tagged(Tag tag, uint64_t payload)
    {
        return NanBits | (uint64_t(tag) << TagShift) | (payload & PayloadMask);
    }
    static constexpr uint64_t nullBits() { return tagged(Tag::Null, 0); }
    static constexpr bool isTaggedBits(uint64_t bits)
    {
        return (bits & NanBits) == NanBits && ((bits >> TagShift) & 7) != 0;
    }
    static constexpr Tag tagOf(uint64_t bits)
    {
        return isTaggedBits(bits) ? Tag((bits >> TagShift) & 7) : Tag::None;
    }
    static uint64_t taggedPointer(Tag tag, const void* pointer)
    {
        const auto address = reinterpret_cast<uintptr_t>(pointer);
        // User-space addresses of every supported platform fit in 48 bits; a wider one would
        // be lost, so the program stops rather than keep a wrong value.
        if (uint64_t(address) > PayloadMask)
            std::abort();
        return tagged(tag, address);
    }
    template <typename T> T* pointer() const
    {
        return reinterpret_cast<T*>(static_cast<uintptr_t>(m_bits & PayloadMask));
    }

    void release() noexcept
    {
        switch (tagOf(m_bits)) {
        case Tag::BoxedInteger:
            delete pointer<int64_t>();
            break;
        case Tag::BoxedReal:
            delete pointer<double>();
            break;
        case Tag::Bytes:
            delete pointer<QByteArray>();
            break;
        default:
            break;
        }
        m_bits = nullBits();
    }

    uint64_t m_bits;
};

static_assert(sizeof(FieldValue) == 8);

enum class FieldKind
{
    Integer,
    Float,
    DateTime,
    String,
    Blob
};
