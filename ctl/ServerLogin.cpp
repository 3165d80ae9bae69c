// SPDX-License-Identifier: GPL-3.0-or-later
#include "ctl/ServerLogin.h"

#include "ctl/CtlErrors.h"

#include <QByteArray>

#include <cstdio>
#include <optional>
#include <termios.h>
#include <unistd.h>

namespace {

const QString NoLogin = QStringLiteral(
    "Для проекта на сервере задайте имя пользователя и пароль в переменных ISC_USER и "
    "ISC_PASSWORD или запустите команду в терминале.");

QString askLine(const char* prompt, bool hidden)
{
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    termios saved{};
    const bool echoOff = hidden && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (echoOff) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QByteArray line;
    for (int c = std::getchar(); c != EOF && c != '\n'; c = std::getchar())
        line += static_cast<char>(c);
    if (echoOff) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    return QString::fromLocal8Bit(line);
}

} // namespace

ServerAccount serverLogin()
{
    static std::optional<ServerAccount> known;
    if (known)
        return *known;
    ServerAccount account{qEnvironmentVariable("ISC_USER"), qEnvironmentVariable("ISC_PASSWORD")};
    const bool terminal = isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
    if ((account.user.isEmpty() || account.password.isEmpty()) && !terminal)
        throw CtlError(NoLogin);
    if (account.user.isEmpty())
        account.user = askLine("Пользователь сервера: ", false);
    if (account.password.isEmpty())
        account.password = askLine("Пароль: ", true);
    if (account.user.isEmpty() || account.password.isEmpty())
        throw CtlError(NoLogin);
    known = account;
    return account;
}
