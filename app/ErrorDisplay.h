#pragma once

#include <QString>

// The one place where errors that escape a command reach the user: a message box with the
// application's title as caption, the error icon and the error's text as a sentence.
namespace ErrorDisplay {

void showError(const QString& text);
// Shows the exception being handled; call it only inside a catch block.
void showCurrentException();

// Runs a command; an exception it raises is shown and the command is abandoned.
// Returns false when the command raised.
template <class Command> bool guard(Command&& command)
{
    try {
        command();
        return true;
    } catch (...) {
        showCurrentException();
        return false;
    }
}

} // namespace ErrorDisplay
