#include "common/OpenFileLimit.h"

#include <climits>

#include <fcntl.h>
#include <sys/resource.h>

namespace OpenFileLimit {

namespace {

// Beyond this the descriptors in use are not counted one by one: no program of ours comes near.
constexpr rlim_t CountedLimit = 65536;

} // namespace

void raiseToHardLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
}

int softLimit()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > CountedLimit)
        return INT_MAX;
    return static_cast<int>(limit.rlim_cur);
}

int freeDescriptors()
{
    const int highest = softLimit();
    if (highest == INT_MAX)
        return INT_MAX;
    int free = 0;
    for (int fd = 0; fd < highest; ++fd)
        free += fcntl(fd, F_GETFD) == -1 ? 1 : 0;
    return free;
}

} // namespace OpenFileLimit
