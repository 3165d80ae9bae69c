#pragma once

#include <QString>

// Where a new project file goes. It is built under a hidden name beside its target and takes
// the target's name only once complete, so that the name never stands for a half-made project
// and a file it replaces stays as it was whenever the creation fails.
namespace ProjectTarget {

enum class Existing
{
    Replace, // a project or other file of the name is replaced once the new one is complete
    Keep,    // a file of the name, also one that appears meanwhile, makes the creation fail
};

// Why no project can be made at path, as a fixed Russian sentence of StorageTexts; empty when
// nothing speaks against it. Asks no engine: a name the engine cannot serve (a ':'), a missing
// or unwritable folder, a folder or a link to nothing under the name, and, with Keep, any file
// under it.
QString whyNotCreatable(const QString& path, Existing existing);

// A free hidden name in path's folder: ".NAME.XXXXXXXX.part".
QString hiddenSibling(const QString& path);

// Holds the file at path, when there is one, against any engine (of this or another session,
// or a server) that would attach it: the engines lock a database file they serve in the same
// way. inUse() tells that one already had it open.
class Claim
{
public:
    explicit Claim(const QString& path);
    ~Claim();
    Claim(const Claim&) = delete;
    Claim& operator=(const Claim&) = delete;

    bool inUse() const { return m_inUse; }

private:
    int m_fd = -1;
    bool m_inUse = false;
};

// Puts the complete file built in under target's name: the file is synced, renamed, then its
// folder is synced, so that after a power cut the name holds either what it held before or the
// whole new project. With Keep a file that took the name meanwhile stays and the call fails.
// Returns the reason of a failure as a StorageTexts sentence, empty on success; built is left
// for the caller to remove.
QString putInPlace(const QString& built, const QString& target, Existing existing);

} // namespace ProjectTarget
