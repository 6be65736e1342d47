#include "platform/FileReplace.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <set>
#include <string>

#include "support/TestSupport.h"

using platform::replaceFile;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

namespace fs = std::filesystem;

mode_t modeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

std::set<std::string> namesIn(const std::string& dir) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir))
        names.insert(entry.path().filename().string());
    return names;
}

// Sets the file's last change to an hour ago.
void age(const std::string& path) {
    struct timespec times[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, AT_SYMLINK_NOFOLLOW), 0) << path;
}

} // namespace

TEST(FileReplace, ANewFileGetsTheUmaskAndAReplacedOneKeepsItsMode) {
    TempDir dir;
    std::string path = dir.file("settings.txt");
    mode_t saved = ::umask(027);
    ASSERT_TRUE(replaceFile(path, "one"));
    platform::ReplaceOptions privateFile;
    privateFile.newFileMode = 0600;
    ASSERT_TRUE(replaceFile(dir.file("private"), "p", privateFile));
    ::umask(saved);
    EXPECT_EQ(modeOf(path), 0640u);
    EXPECT_EQ(modeOf(dir.file("private")), 0600u);

    ::chmod(path.c_str(), 0604);
    ASSERT_TRUE(replaceFile(path, "two"));
    EXPECT_EQ(readFile(path), "two");
    EXPECT_EQ(modeOf(path), 0604u);
    platform::ReplaceOptions executable;
    executable.mode = 0755;
    ASSERT_TRUE(replaceFile(path, "three", executable));
    EXPECT_EQ(modeOf(path), 0755u);
    EXPECT_EQ(namesIn(dir.path()), (std::set<std::string>{"settings.txt", "private"}))
        << "no temporary file is left";
}

TEST(FileReplace, LinksAreFollowedAndALoopFails) {
    TempDir dir;
    fs::create_directory(dir.file("real"));
    writeFile(dir.file("real/cv.ini"), "old");
    fs::create_symlink("real/cv.ini", dir.file("middle"));
    fs::create_symlink("middle", dir.file("cv.ini")); // a chain of relative links
    ASSERT_TRUE(replaceFile(dir.file("cv.ini"), "new"));
    EXPECT_TRUE(fs::is_symlink(dir.file("cv.ini")));
    EXPECT_TRUE(fs::is_symlink(dir.file("middle")));
    EXPECT_EQ(readFile(dir.file("real/cv.ini")), "new");

    fs::create_symlink("real/later.ini", dir.file("dangling"));
    ASSERT_TRUE(replaceFile(dir.file("dangling"), "made"));
    EXPECT_EQ(readFile(dir.file("real/later.ini")), "made");

    fs::create_symlink("loop", dir.file("loop"));
    std::string reason;
    EXPECT_FALSE(replaceFile(dir.file("loop"), "x", {}, &reason));
    EXPECT_EQ(errno, ELOOP);
    EXPECT_NE(reason.find(dir.file("loop")), std::string::npos) << reason;
}

TEST(FileReplace, WriteProtectedAndOtherFilesAreLeftAsTheyAre) {
    TempDir dir;
    std::string path = dir.file("protected");
    writeFile(path, "kept");
    ::chmod(path.c_str(), 0444); // no write bit at all: protected even for the superuser
    EXPECT_FALSE(replaceFile(path, "lost"));
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(readFile(path), "kept");
    platform::ReplaceOptions installer;
    installer.keepWriteProtected = false;
    ASSERT_TRUE(replaceFile(path, "upgraded", installer));
    EXPECT_EQ(readFile(path), "upgraded");
    EXPECT_EQ(modeOf(path), 0444u);

    fs::create_directories(dir.file("folder/inner"));
    EXPECT_FALSE(replaceFile(dir.file("folder"), "x"));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_TRUE(fs::is_directory(dir.file("folder/inner")));
    std::string reason;
    EXPECT_FALSE(replaceFile(dir.file("missing/file"), "x", {}, &reason));
    EXPECT_NE(reason.find(dir.file("missing/file")), std::string::npos) << reason;
}

TEST(FileReplace, OnlyStaleTemporariesOfTheSameFileAreRemoved) {
    TempDir dir;
    std::string path = dir.file("registry.reg");
    const std::set<std::string> kept = {
        "registry.reg",
        "registry.reg.cvtmp-Fresh1", // a writer may still be at work
        "registry.reg.cvtmp-Live01", // old, but its writer holds it
        "registry.reg.backup",       // the user's own
        "registry.reg.cvtmp-Short",  // not our name
        "other.reg.cvtmp-Old002",    // another file's
        "registry.reg.cvtmp-Link01", // a link, not a file of ours
    };
    for (const auto& name : kept)
        if (name != "registry.reg.cvtmp-Link01") writeFile(dir.file(name), "x");
    fs::create_symlink("registry.reg", dir.file("registry.reg.cvtmp-Link01"));
    writeFile(dir.file("registry.reg.cvtmp-Old001"), "left by a killed writer");
    for (const auto& name : namesIn(dir.path()))
        if (name != "registry.reg.cvtmp-Fresh1") age(dir.file(name));
    int live = ::open(dir.file("registry.reg.cvtmp-Live01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);

    ASSERT_TRUE(replaceFile(path, "new"));
    ::close(live);
    EXPECT_EQ(namesIn(dir.path()), kept);
    EXPECT_EQ(readFile(path), "new");
}
