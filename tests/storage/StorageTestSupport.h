#pragma once

#include "common/TMsrResult.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Shared by the storage tests: sample results and Firebird's own isql-fb as an outside witness.
namespace StorageTest {

// Sets the per-user lock folder; call first in main or initTestCase.
void PrepareEngine();

// A whole-second result of 2024 numbered n, distinct for every n.
TMsrResult Result(int n);

bool IsqlAvailable();
// Runs isql-fb on the file with the given input; stdout and stderr together.
QString RunIsql(const QString& path, const QString& input, QStringList extraArgs = {});
// The metadata isql-fb extracts from the file (-x).
QString ExtractMetadata(const QString& path);

QByteArray FileBytes(const QString& path);

// The environment of a child process with the fault shim preloaded.
QProcessEnvironment FaultShimEnvironment(const QString& shim);

} // namespace StorageTest
