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
    EXPECT_EQ(modeOf(path), 0604u);
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
    EXPECT_EQ(readFile(dir.file("real/cv.ini")), "new");

    fs::create_symlink("loop", dir.file("loop"));
    EXPECT_FALSE(replaceFile(dir.file("loop"), "x"));
    EXPECT_EQ(errno, ELOOP);
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

    fs::create_directories(dir.file("folder/inner"));
    EXPECT_FALSE(replaceFile(dir.file("folder"), "x"));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_TRUE(fs::is_directory(dir.file("folder/inner")));
}

TEST(FileReplace, TemporariesNobodyHoldsAreRemovedAtOnceAndHeldOnesKept) {
    TempDir dir;
    std::string path = dir.file("cv.ini");
    const std::set<std::string> kept = {"cv.ini", "cv.ini.backup", "cv.ini.cvtmp-Short",
                                        "other.ini.cvtmp-Old002"}; // not our names, another's
    for (const auto& name : kept)
        writeFile(dir.file(name), "x");
    writeFile(dir.file("cv.ini.cvtmp-Orphan"), "made, then the writer died before its lock");
    // A live writer's temporary: its lock is held on an open file of its own, as here.
    int live = ::open(dir.file("cv.ini.cvtmp-Live01").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    ASSERT_EQ(::flock(live, LOCK_EX), 0);
    ASSERT_TRUE(replaceFile(path, "new"));
    std::set<std::string> withLive = kept;
    withLive.insert("cv.ini.cvtmp-Live01");
    EXPECT_EQ(namesIn(dir.path()), withLive);
    ::close(live); // the writer is killed
    ASSERT_TRUE(replaceFile(path, "newer"));
    EXPECT_EQ(namesIn(dir.path()), kept) << "the killed writer's file goes with the next write";
    EXPECT_EQ(readFile(path), "newer");
}
