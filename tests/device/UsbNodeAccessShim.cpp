// Linked into the libusb layer's test, which runs as root in CI: root opens any node, so
// without this the test could never meet a node that the user may not open. The
// executable's open() comes before umockdev's in symbol lookup; it refuses to open a USB
// device node for reading and writing unless the node's mode grants both to others, as
// the kernel refuses a user who is neither its owner nor in its group, and passes every
// other call on.

// Fortified headers would define open() inline themselves.
#undef _FORTIFY_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool deniedToOthers(const char* path, int flags)
{
    constexpr char UsbNodes[] = "/dev/bus/usb/";
    if (!path || std::strncmp(path, UsbNodes, sizeof UsbNodes - 1) != 0)
        return false;
    const char* testbed = std::getenv("UMOCKDEV_DIR");
    if (!testbed)
        return false;
    struct stat node;
    if (stat((std::string(testbed) + path).c_str(), &node) != 0)
        return false;
    const int access = flags & O_ACCMODE;
    const bool wantsRead = access == O_RDONLY || access == O_RDWR;
    const bool wantsWrite = access == O_WRONLY || access == O_RDWR;
    return (wantsRead && !(node.st_mode & S_IROTH)) || (wantsWrite && !(node.st_mode & S_IWOTH));
}

template <typename F> F next(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int open(const char* path, int flags, ...)
{
    mode_t mode = 0;
    if (flags & (O_CREAT | O_TMPFILE)) {
        va_list args;
        va_start(args, flags);
        mode = static_cast<mode_t>(va_arg(args, int));
        va_end(args);
    }
    if (deniedToOthers(path, flags)) {
        errno = EACCES;
        return -1;
    }
    static const auto real = next<int (*)(const char*, int, ...)>("open");
    return real(path, flags, mode);
}

int __open_2(const char* path, int flags)
{
    if (deniedToOthers(path, flags)) {
        errno = EACCES;
        return -1;
    }
    static const auto real = next<int (*)(const char*, int)>("__open_2");
    return real(path, flags);
}

} // extern "C"
