// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

// The path that stands for standard output.
bool isStandardOutput(const QString& path);

// Writes the whole of bytes to standard output for "-", or replaces the file at path only once
// every byte is on disk. Throws CtlError with a Russian reason; a failed write leaves any
// earlier file untouched.
void writeOutput(const QString& path, const QByteArray& bytes);

// Writes one block of the output; false when it could not, after which nothing more is taken.
using OutputWriter = std::function<bool(QByteArrayView bytes)>;

// The same for output made block by block: produce is handed the writer and returns once all
// blocks are written or the writer refused one. The file is opened before produce runs and
// replaced only when produce returns with every block written; what produce throws passes
// through and leaves any earlier file untouched.
void writeOutput(const QString& path, const std::function<void(const OutputWriter&)>& produce);

// The system's text for a failed file operation in Russian; texts it does not know pass as
// they are.
QString russianFileReason(const QString& systemText);
