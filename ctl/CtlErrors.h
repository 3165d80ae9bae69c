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
