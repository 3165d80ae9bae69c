// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The path that stands for standard output.
bool isStandardOutput(const QString& path);

// Writes the whole of bytes to standard output for "-", or replaces the file at path only once
// every byte is on disk. Throws CtlError with a Russian reason; a failed write leaves any
// earlier file untouched.
void writeOutput(const QString& path, const QByteArray& bytes);

// The system's text for a failed file operation in Russian; texts it does not know pass as
// they are.
QString russianFileReason(const QString& systemText);
