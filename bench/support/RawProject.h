#pragma once

#include <QString>

// Projects written and read straight through the engine's client, without the data module:
// the baselines the storage is measured against.
namespace RawProject {

// Appends the rising sample results from..from+count-1 with one prepared insert per row in
// one transaction.
void insert(const QString& path, int from, int count);
// Reads every column of every row in the order the data module opens them.
void select(const QString& path);
// Creates a project through the data module and fills it with rows 0..count-1; its key
// generator is moved past the raw keys, as a project grown by the program has it.
bool make(const QString& path, int count);

} // namespace RawProject
