#include "platform/PrivateFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/ErrorCodes.h"

namespace lc {

Status CheckPrivateFolder(const std::string& path, Status unsafe) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return LastErrorStatus();
    if (S_ISLNK(st.st_mode) || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) return unsafe;
    if ((st.st_mode & 077) != 0 &&
        ::fchmodat(AT_FDCWD, path.c_str(), 0700, AT_SYMLINK_NOFOLLOW) != 0)
        return LastErrorStatus();
    return status::kSuccess;
}

Status MakePrivateFolder(const std::string& path, Status unsafe) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return LastErrorStatus();
    return CheckPrivateFolder(path, unsafe);
}

std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool IsAbsolutePath(const char* value) {
    return value != nullptr && value[0] == '/';
}

}  // namespace lc
