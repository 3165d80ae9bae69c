#pragma once

#include <QByteArray>

#include <cstdint>
#include <variant>

// The value of one field in a cached row: null, an integer, a floating value (date-times are
// OLE dates) or bytes (CHAR text and blob contents).
using FieldValue = std::variant<std::monostate, int64_t, double, QByteArray>;

enum class TFieldKind { Integer, Float, DateTime, String, Blob };
