#pragma once

#include <QByteArray>

#include <cstdint>

// The value of one field in a cached row: null, an integer, a floating value (date-times are
// OLE dates) or bytes (CHAR text and blob contents). Sixteen bytes, since a project holds a
// dozen of them for each of its many rows; bytes live on the heap.
class FieldValue
{
public:
    FieldValue() noexcept : m_integer(0) {}
    FieldValue(int64_t value) noexcept : m_kind(Kind::Integer), m_integer(value) {}
    FieldValue(double value) noexcept : m_kind(Kind::Real), m_real(value) {}
    FieldValue(const QByteArray& value) : m_kind(Kind::Bytes), m_bytes(new QByteArray(value)) {}
    FieldValue(QByteArray&& value) : m_kind(Kind::Bytes), m_bytes(new QByteArray(std::move(value)))
    {
    }
    FieldValue(const FieldValue& other) : m_kind(other.m_kind), m_integer(other.m_integer)
    {
        if (m_kind == Kind::Bytes)
            m_bytes = new QByteArray(*other.m_bytes);
    }
    FieldValue(FieldValue&& other) noexcept : m_kind(other.m_kind), m_integer(other.m_integer)
    {
        other.m_kind = Kind::Null;
    }
    FieldValue& operator=(const FieldValue& other)
    {
        if (this != &other)
            *this = FieldValue(other);
        return *this;
    }
    FieldValue& operator=(FieldValue&& other) noexcept
    {
        if (this != &other) {
            Release();
            m_kind = other.m_kind;
            m_integer = other.m_integer;
            other.m_kind = Kind::Null;
        }
        return *this;
    }
    ~FieldValue() { Release(); }

    bool IsNull() const { return m_kind == Kind::Null; }
    // Each answers nullptr when the value is of another kind.
    const int64_t* Integer() const { return m_kind == Kind::Integer ? &m_integer : nullptr; }
    const double* Real() const { return m_kind == Kind::Real ? &m_real : nullptr; }
    const QByteArray* Bytes() const { return m_kind == Kind::Bytes ? m_bytes : nullptr; }

    bool operator==(const FieldValue& other) const
    {
        if (m_kind != other.m_kind)
            return false;
        switch (m_kind) {
        case Kind::Null:
            return true;
        case Kind::Integer:
            return m_integer == other.m_integer;
        case Kind::Real:
            return m_real == other.m_real;
        case Kind::Bytes:
            return *m_bytes == *other.m_bytes;
        }
        return false;
    }

private:
    enum class Kind : uint8_t
    {
        Null,
        Integer,
        Real,
        Bytes
    };

    void Release() noexcept
    {
        if (m_kind == Kind::Bytes)
            delete m_bytes;
        m_kind = Kind::Null;
    }

    Kind m_kind = Kind::Null;
    union {
        int64_t m_integer;
        double m_real;
        QByteArray* m_bytes;
    };
};

enum class TFieldKind
{
    Integer,
    Float,
    DateTime,
    String,
    Blob
};
