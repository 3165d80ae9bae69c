#pragma once

#include <QString>

#include <stdexcept>
#include <string>

// Every error the project storage raises. what() is the whole text for the user in UTF-8: the
// failed operation's sentence when one was given, the reason, then the engine's own text.
class StorageError : public std::runtime_error
{
public:
    // A fault of the program itself (a dataset misused); the text is the detail alone.
    explicit StorageError(const std::string& text);
    // reason: a fixed Russian sentence saying why; detail: the engine's text, may be empty.
    StorageError(const QString& reason, const std::string& detail);
    // The same error with the failed operation's sentence ("Не удалось сохранить проект!") first.
    StorageError(const QString& operation, const StorageError& cause);

    // Why, as a fixed Russian sentence ("На диске нет места."); empty for faults of the program.
    const QString& reason() const { return m_reason; }
    const std::string& detail() const { return m_detail; }
    const QString& operation() const { return m_operation; }

private:
    static std::string compose(const QString& operation, const QString& reason,
                               const std::string& detail);

    QString m_operation;
    QString m_reason;
    std::string m_detail;
};
