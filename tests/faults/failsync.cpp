// Loaded with LD_PRELOAD: fsync and fdatasync fail with EIO on the file
// named by CINDRAL_FAIL_SYNC, as on a disk that cannot keep the data.
#include <dlfcn.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static int syncOrFail(const char *name, int fd)
{
    const char *failing = std::getenv("CINDRAL_FAIL_SYNC");
    char link[32], target[PATH_MAX] = {};
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    if (failing && ::readlink(link, target, sizeof target - 1) > 0 && !std::strcmp(failing, target))
        return errno = EIO, -1;
    return reinterpret_cast<int (*)(int)>(::dlsym(RTLD_NEXT, name))(fd);
}

extern "C" int fsync(int fd) { return syncOrFail("fsync", fd); }
extern "C" int fdatasync(int fd) { return syncOrFail("fdatasync", fd); }
