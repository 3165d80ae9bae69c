#pragma once

#include <QString>

#include <cstdint>

// Which file a path names (device and inode), to notice a file deleted or replaced behind the
// program's back while it keeps the old one open.
struct FileIdentity
{
    uint64_t device = 0;
    uint64_t inode = 0;
    bool valid = false;

    // An invalid identity when the path names nothing or the platform gives no inode.
    static FileIdentity of(const QString& path);
    bool operator==(const FileIdentity&) const = default;
};
