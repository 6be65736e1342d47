#pragma once
// The one way a user's file is replaced: cv.ini, the registry file, the installer's files, and the
// waypoint and exchange files.
//
// The new content goes into a temporary file in the target's folder ("<name>.cvtmp-XXXXXX",
// opened close-on-exec), is flushed to disk and renamed over the target, and the folder is synced
// so the rename itself survives a power cut. A crash, a full disk or a kill therefore never leaves
// a half-written file: readers see the old file or the new one.
//
// - A symbolic link is followed: the link stays and the file it points to is replaced. A loop of
//   links fails with ELOOP.
// - The new file keeps the permissions (and, where allowed, the owner) of the file it replaces; a
//   new file gets the requested mode less the umask.
// - An existing file that the user may not write, or that has no write permission bit at all
//   (even for the superuser), is write-protected: it is left as it is (EACCES).
// - When the temporary file cannot be made because the folder may not be written but the file
//   may, the file is written in place instead: space is reserved first, then the content is
//   written over the old one, the file cut to the new length and flushed. A crash during that
//   write can leave a mix of old and new content; it is the only way to save at all there.
// - Temporary files of this routine left beside the target by a writer that was killed are
//   removed on the next write: regular files of the current user, named exactly like ours and not
//   locked. A live writer locks its temporary file right after creating it and holds the lock
//   until the rename; should a clean-up remove the file before the lock is taken, the writer sees
//   it unlinked and makes a new one.

#include <optional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace platform {

// Marks the temporary files of replaceFile: "<name>.cvtmp-" and six letters or digits.
inline constexpr std::string_view kTempFileMarker = ".cvtmp-";

struct ReplaceOptions {
    // Permissions of the written file. Unset: those of the file replaced, or newFileMode less the
    // umask for a new file.
    std::optional<mode_t> mode;
    mode_t newFileMode = 0666;
    // Leave a write-protected file as it is. The installer replaces its own read-only files.
    bool keepWriteProtected = true;
};

// Replaces path with content. True on success. On failure the old file is left as it was, errno
// tells why and reason (when given) says it in a few words with the path.
bool replaceFile(const std::string& path, std::string_view content,
                 const ReplaceOptions& options = {}, std::string* reason = nullptr);

// Removes the files of folder named prefix + a suffix that suffixMatches accepts (and, when
// contentMatches is given, whose open descriptor it accepts) that are regular files of the user
// and that nobody holds locked. Each is unlinked while this side holds its lock and only when the
// name still names the file that was locked. Never opens a device or another user's file.
void removeUnlockedLeftovers(const std::string& folder, std::string_view prefix,
                             bool (*suffixMatches)(std::string_view),
                             bool (*contentMatches)(int fd) = nullptr);

// The path that path names once symbolic links are followed (the last one may name a file that
// does not exist yet). Nothing, with errno ELOOP, for a loop or a chain of over 40 links.
std::optional<std::string> followLinks(const std::string& path);

} // namespace platform
