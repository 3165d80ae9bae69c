#pragma once

#include <QString>

#include <cstdint>
#include <utility>

// A command that failed; the message is what the user reads on stderr.
class CtlError
{
public:
    explicit CtlError(QString message) : m_message(std::move(message)) {}
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

// The command line itself was wrong: the usage follows the message.
class CtlUsageError : public CtlError
{
public:
    using CtlError::CtlError;
};

// The text followed by the status as exactly 8 upper-case hexadecimal digits.
inline QString linkErrorMessage(const QString& text, uint32_t status)
{
    return text + QString::number(status, 16).rightJustified(8, u'0').toUpper();
}
