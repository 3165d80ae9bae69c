#pragma once

// How many files the process may hold open. Qt, GLib and the engine end the process, or fail
// with misleading reasons, when they cannot get a descriptor, so the programs look before
// they start their work.
namespace OpenFileLimit {

// Lifts the soft limit of open files to the hard one, as far as the system lets it.
void raiseToHardLimit();

// The soft limit; a large number when it is far off.
int softLimit();

// How many more files the process may open now; a large number when the limit is far off.
int freeDescriptors();

} // namespace OpenFileLimit
