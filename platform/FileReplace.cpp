#include "platform/FileReplace.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>

namespace platform {

namespace {

bool fail(std::string* reason, const std::string& what, const std::string& path, int error) {
    if (reason != nullptr) *reason = what + " " + path + ": " + std::strerror(error);
    errno = error;
    return false;
}

bool writeAllAt(int fd, std::string_view data, off_t offset) {
    while (!data.empty()) {
        ssize_t n = ::pwrite(fd, data.data(), data.size(), offset);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) {
            errno = EIO;
            return false;
        }
        data.remove_prefix(static_cast<size_t>(n));
        offset += n;
    }
    return true;
}

void syncFolder(const std::string& folder) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

// The process's umask, read without changing it where the kernel tells it (Linux 4.7 and later);
// other threads could otherwise create files with a zero umask in between.
mode_t currentUmask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr)
            found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask & 0777);
    }
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

bool isTempSuffix(std::string_view suffix) {
    if (suffix.size() != 6) return false;
    for (char c : suffix)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
            return false;
    return true;
}

} // namespace

void removeUnlockedLeftovers(const std::string& folder, std::string_view prefix,
                             bool (*suffixMatches)(std::string_view),
                             bool (*contentMatches)(int fd)) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const int dirFd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        std::string_view entryName = entry->d_name;
        if (!entryName.starts_with(prefix) || !suffixMatches(entryName.substr(prefix.size())))
            continue;
        struct stat named {};
        if (::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) != 0 ||
            !S_ISREG(named.st_mode) || named.st_uid != ::geteuid())
            continue; // never opens a device or another user's file
        int fd = ::openat(dirFd, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat opened {};
        // Under the lock, the name must still be this file: a writer that finished has renamed it
        // away, and the name may have been taken by another writer since.
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0 &&
            opened.st_nlink > 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_ino == opened.st_ino && named.st_dev == opened.st_dev &&
            (contentMatches == nullptr || contentMatches(fd)))
            ::unlinkat(dirFd, entry->d_name, 0);
        ::close(fd);
    }
    ::closedir(dir);
}

namespace {

// Creates and locks a temporary file for target. The lock marks it as live for the clean-up of
// other writers; a file that such a clean-up unlinked before the lock was taken is replaced by a
// new one. The descriptor, or -1 with errno set.
int createLockedTemporary(const std::string& target, std::string& temp) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = target + std::string(kTempFileMarker) + "XXXXXX";
        int fd = ::mkostemp(temp.data(), O_CLOEXEC);
        if (fd < 0) return -1;
        int locked = 0;
        while ((locked = ::flock(fd, LOCK_EX)) != 0 && errno == EINTR) {
        }
        if (locked != 0) {
            int error = errno;
            ::close(fd);
            ::unlink(temp.c_str());
            errno = error;
            return -1;
        }
        struct stat info {};
        if (::fstat(fd, &info) == 0 && info.st_nlink > 0) return fd;
        ::close(fd); // unlinked by another writer's clean-up: make another
    }
    errno = EAGAIN;
    return -1;
}

// Writes content over the file at target without a temporary file, for a folder that may not be
// written.
bool writeInPlace(const std::string& target, std::string_view content,
                  const ReplaceOptions& options, std::string* reason) {
    int fd = ::open(target.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(reason, "cannot write", target, errno);
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    const off_t length = static_cast<off_t>(content.size());
    // Reserve the room first, so a full disk fails before the old content is touched.
    if (ok && length > info.st_size) {
        int error = ::posix_fallocate(fd, info.st_size, length - info.st_size);
        if (error == ENOSPC || error == EFBIG || error == EDQUOT) {
            errno = error;
            ok = false;
        }
    }
    ok = ok && writeAllAt(fd, content, 0) && ::ftruncate(fd, length) == 0 && ::fsync(fd) == 0;
    if (ok && options.mode) ::fchmod(fd, *options.mode);
    int error = errno;
    ::close(fd);
    return ok || fail(reason, "cannot write", target, error);
}

} // namespace

std::optional<std::string> followLinks(const std::string& path) {
    std::string current = path;
    for (int hops = 0; hops <= 40; ++hops) {
        struct stat info {};
        if (::lstat(current.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return current;
        char target[PATH_MAX];
        ssize_t n = ::readlink(current.c_str(), target, sizeof target);
        if (n <= 0 || static_cast<size_t>(n) >= sizeof target) break;
        std::string next(target, static_cast<size_t>(n));
        if (next[0] != '/') {
            size_t slash = current.rfind('/');
            if (slash != std::string::npos) next.insert(0, current, 0, slash + 1);
        }
        current = std::move(next);
    }
    errno = ELOOP;
    return std::nullopt;
}

bool replaceFile(const std::string& path, std::string_view content, const ReplaceOptions& options,
                 std::string* reason) {
    std::optional<std::string> resolved = followLinks(path);
    if (!resolved) return fail(reason, "cannot follow the links of", path, ELOOP);
    const std::string& target = *resolved;

    struct stat old {};
    bool exists = ::stat(target.c_str(), &old) == 0;
    if (!exists && errno != ENOENT) return fail(reason, "cannot write", target, errno);
    if (exists && !S_ISREG(old.st_mode))
        return fail(reason, "cannot replace", target, S_ISDIR(old.st_mode) ? EISDIR : EINVAL);
    // A file the user may not write is left alone, as an open for writing would leave it; one
    // without any write permission counts as write-protected even for the superuser.
    if (exists && options.keepWriteProtected) {
        if ((old.st_mode & 0222) == 0) return fail(reason, "write-protected:", target, EACCES);
        if (::faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0)
            return fail(reason, "write-protected:", target, errno);
    }

    size_t slash = target.rfind('/');
    std::string folder = slash == std::string::npos ? "."
                         : slash == 0               ? "/"
                                                    : target.substr(0, slash);
    std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    // Temporary files of earlier writes whose writer is gone: a live writer holds a lock on its
    // temporary file until the rename, so one that nobody holds locked is a leftover. It is
    // unlinked under this side's lock, so a writer that had created it but not yet locked it
    // finds it unlinked once it gets the lock, and makes another.
    removeUnlockedLeftovers(folder, name + std::string(kTempFileMarker), isTempSuffix);

    std::string temp;
    int fd = createLockedTemporary(target, temp);
    if (fd < 0) {
        int error = errno;
        if (exists && (error == EACCES || error == EPERM))
            return writeInPlace(target, content, options, reason);
        return fail(reason, "cannot create a temporary file beside", target, error);
    }
    mode_t mode = options.mode ? *options.mode
                  : exists     ? (old.st_mode & 07777)
                               : (options.newFileMode & ~currentUmask() & 0777);
    if (exists && !options.mode) {
        // Keep the owner where allowed (a user may keep the group, the superuser both; otherwise
        // the file is the writer's), before the mode: a change of owner clears the set-id bits.
        int kept = ::fchown(fd, old.st_uid, old.st_gid);
        (void)kept;
    }
    bool ok = ::fchmod(fd, mode) == 0 && writeAllAt(fd, content, 0) && ::fsync(fd) == 0 &&
              ::rename(temp.c_str(), target.c_str()) == 0;
    int error = errno;
    ::close(fd);
    if (!ok) {
        ::unlink(temp.c_str());
        return fail(reason, "cannot replace", target, error);
    }
    syncFolder(folder);
    return true;
}

} // namespace platform
