#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/file.h>
#include <unistd.h>

#include "data/ConfigTexts.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"
#include "platform/Registry.h"
#include "platform/RegistryFile.h"
#include "support/TestSupport.h"

using platform::Registry;
using platform::RegistryFile;
using platform::RegistryRoot;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr RegistryRoot kMachine = RegistryRoot::LocalMachine;

// Keeps the messages shown and whether another process could take the registry's lock meanwhile,
// since a message may wait for the user.
class LockProbingPrompter final : public platform::Prompter {
public:
    explicit LockProbingPrompter(std::string lockPath) : lockPath_(std::move(lockPath)) {}
    void message(std::string_view text, std::string_view) override {
        int fd = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        lockFree.push_back(fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0);
        if (fd >= 0) ::close(fd);
        messages.emplace_back(text);
    }
    bool askYesNo(std::string_view, std::string_view) override { return false; }
    std::optional<std::string> saveFileName(std::string_view, std::string_view,
                                            std::string_view) override {
        return std::nullopt;
    }
    std::optional<std::string> openFileName(std::string_view, std::string_view,
                                            std::string_view) override {
        return std::nullopt;
    }
    std::vector<std::string> messages;
    std::vector<bool> lockFree;

private:
    std::string lockPath_;
};

class RegistryTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string path = dir.file("config/corvane/registry.reg");
    LockProbingPrompter prompter{path + ".lock"};
    platform::ManualClock clock;
    Registry registry{path, &prompter, &clock};

    void writeRegistry(const std::string& text) {
        std::filesystem::create_directories(dir.file("config/corvane"));
        writeFile(path, text);
    }
};

} // namespace

TEST_F(RegistryTest, WritesTheRegistryEditorFormatKeepingTheFirstSpellingOfNames) {
    ASSERT_TRUE(registry.setString(kUser, "SOFTWARE\\Varnholt\\Corvane", "rpath", "/a/"));
    ASSERT_TRUE(registry.setString(kUser, "software\\VARNHOLT\\corvane\\", "RPATH", "/home/u/"));
    ASSERT_TRUE(registry.setDword(kUser, "software\\varnholt\\corvane\\Screens", "Last", 3));
    ASSERT_TRUE(registry.setDword(kMachine, "System\\Power", "BattSuspendTimeout", 180));
    ASSERT_TRUE(registry.setString(kMachine, "System\\Power", "say \"hi\"", "C:\\dir\\ \"q\""));
    EXPECT_EQ(readFile(path), "Windows Registry Editor Version 5.00\n"
                              "\n[HKEY_CURRENT_USER\\SOFTWARE]\n"
                              "\n[HKEY_CURRENT_USER\\SOFTWARE\\Varnholt]\n"
                              "\n[HKEY_CURRENT_USER\\SOFTWARE\\Varnholt\\Corvane]\n"
                              "\"rpath\"=\"/home/u/\"\n"
                              "\n[HKEY_CURRENT_USER\\SOFTWARE\\Varnholt\\Corvane\\Screens]\n"
                              "\"Last\"=dword:00000003\n"
                              "\n[HKEY_LOCAL_MACHINE\\System]\n"
                              "\n[HKEY_LOCAL_MACHINE\\System\\Power]\n"
                              "\"BattSuspendTimeout\"=dword:000000b4\n"
                              "\"say \\\"hi\\\"\"=\"C:\\\\dir\\\\ \\\"q\\\"\"\n");
    EXPECT_EQ(registry.queryString(kMachine, "System\\Power", "say \"hi\""), "C:\\dir\\ \"q\"");
    EXPECT_EQ(registry.queryString(kUser, "Software\\Varnholt\\CORVANE", "Rpath"), "/home/u/");
}

TEST_F(RegistryTest, ValuesHaveOneTypeAndWhatCouldNotBeWrittenBackIsRefused) {
    ASSERT_TRUE(registry.setDword(kUser, "S", "Last", 3));
    EXPECT_EQ(registry.queryString(kUser, "S", "Last"), std::nullopt);
    ASSERT_TRUE(registry.setString(kUser, "S", "Last", "3"));
    EXPECT_EQ(registry.queryDword(kUser, "S", "Last"), std::nullopt);
    EXPECT_TRUE(registry.deleteValue(kUser, "S", "LAST"));
    EXPECT_FALSE(registry.setString(kUser, "K", "v", "two\nlines"));
    EXPECT_FALSE(registry.setString(kUser, "A\\\\B", "v", "x")) << "empty key name part";
    EXPECT_FALSE(registry.keyExists(kUser, "K"));
}

TEST_F(RegistryTest, DeleteKeyRemovesItsValuesAndSubkeysOnly) {
    ASSERT_TRUE(registry.setString(kUser, "A\\B", "v", "1"));
    ASSERT_TRUE(registry.setDword(kUser, "A\\B\\C\\D", "w", 2));
    ASSERT_TRUE(registry.createKey(kUser, "A\\B2"));
    ASSERT_TRUE(registry.createKey(kUser, "A\\B!"));
    EXPECT_EQ(registry.subkeys(kUser, "A"), (std::vector<std::string>{"B", "B!", "B2"}));
    EXPECT_TRUE(registry.deleteKey(kUser, "a\\b"));
    EXPECT_FALSE(registry.keyExists(kUser, "A\\B\\C\\D"));
    EXPECT_EQ(registry.subkeys(kUser, "A"), (std::vector<std::string>{"B!", "B2"}));
    EXPECT_FALSE(registry.deleteKey(kUser, "")) << "a root stays";
}

TEST_F(RegistryTest, DamagedFileIsReportedOnceAfterTheLockTreatedAsEmptyAndKeptBeside) {
    const std::string damaged = "Windows Registry Editor Version 5.00\n\n"
                                "[HKEY_CURRENT_USER\\SOFTWARE\\Varnholt\\Corvane]\n"
                                "\"rpath\"=\"/home/u/corv";
    writeRegistry(damaged);
    clock.setLocalTime({2026, 3, 0, 15, 9, 30, 5, 0});

    EXPECT_EQ(registry.queryString(kUser, "SOFTWARE\\Varnholt\\Corvane", "rpath"), std::nullopt);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(readFile(path), damaged) << "reading never changes the damaged file";

    ASSERT_TRUE(registry.setString(kUser, "SOFTWARE\\Varnholt\\Corvane", "rpath", "/new/"));
    EXPECT_EQ(prompter.messages.size(), 1u) << "reported once";
    EXPECT_EQ(readFile(path + ".damaged-20260315-093005"), damaged);

    // Damaged again and found by a write: kept under a name of its own in the same second, and
    // reported only once the lock is released.
    writeFile(path, "not a registry");
    ASSERT_TRUE(registry.setDword(kUser, "K", "v", 1));
    EXPECT_EQ(prompter.lockFree, (std::vector<bool>{true, true}));
    EXPECT_EQ(readFile(path + ".damaged-20260315-093005-2"), "not a registry");

    // A file too large to be a registry is never read into memory: damaged too.
    ASSERT_EQ(::truncate(path.c_str(), (off_t(16) << 20) + 1), 0); // sparse: takes no room
    EXPECT_EQ(registry.queryDword(kUser, "K", "v"), std::nullopt);
    EXPECT_EQ(prompter.messages.size(), 3u);
    ASSERT_TRUE(registry.setDword(kUser, "K", "v", 2));
    EXPECT_EQ(std::filesystem::file_size(path + ".damaged-20260315-093005-3"), (16u << 20) + 1);
    EXPECT_EQ(registry.queryDword(kUser, "K", "v"), 2u);
}

TEST_F(RegistryTest, LeftoversOfTheEarlierWriterAreRemovedUnderTheLock) {
    // The earlier writer's temporary files were "registry.reg." and six random characters.
    writeRegistry("");
    const std::string header = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER]\n";
    const struct {
        const char* name;
        std::string content;
        bool removed;
    } cases[] = {
        {"registry.reg.a8Xk2Q", header, true},
        {"registry.reg.Qm3Rtw", header.substr(0, 11), true}, // cut short by the kill
        {"registry.reg.backup", "", false},                  // lower case only
        {"registry.reg.BACKUP", header, false},              // upper case only
        {"registry.reg.Notes1", "my notes", false},          // not registry content
        {"registry.reg.Held01", header, false},              // locked below
    };
    for (const auto& c : cases)
        writeFile(dir.file(std::string("config/corvane/") + c.name), c.content);
    int held = ::open((path + ".Held01").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    ASSERT_TRUE(registry.setDword(kUser, "K", "v", 1));
    ::close(held);
    for (const auto& c : cases)
        EXPECT_EQ(std::filesystem::exists(dir.file(std::string("config/corvane/") + c.name)),
                  !c.removed)
            << c.name;
}

TEST(RegistryFile, UnsupportedEntriesMakeTheFileUnreadableRatherThanDropped) {
    const std::string header = "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\K]\n";
    for (const char* line :
         {"\"bin\"=hex:01,02", "\"gone\"=-", "\"s\"=\"a\\nb\"", "\"d\"=dword:123456789",
          "\"d\"=dword:12x", "\"s\"=\"open", "\"s\"=\"x\" junk", "just text"}) {
        EXPECT_FALSE(RegistryFile::parse(header + line + "\n")) << line;
    }
    for (const char* text :
         {"", "REGEDIT4\n", "Windows Registry Editor Version 5.00\n\"v\"=\"x\"\n",
          "Windows Registry Editor Version 5.00\n[HKEY_USERS\\K]\n"})
        EXPECT_FALSE(RegistryFile::parse(text)) << text;
}

TEST(RegistryKeyName, ParsesFullNamesAsTypedOnTheCommandLine) {
    auto name = platform::parseRegistryKeyName("hklm\\Hardware\\Serial\\");
    ASSERT_TRUE(name);
    EXPECT_EQ(name->root, kMachine);
    EXPECT_EQ(name->path, "Hardware\\Serial");
    EXPECT_EQ(platform::parseRegistryKeyName("HKEY_CURRENT_USER")->path, "");
    EXPECT_FALSE(platform::parseRegistryKeyName("SOFTWARE\\Varnholt"));
    EXPECT_FALSE(platform::parseRegistryKeyName("HKCU\\a\\\\b"));
}

TEST(RegistryPath, EnvironmentChoosesTheFile) {
    configtexts::ScopedEnv registryVar("CORVANE_REGISTRY", "/x/r.reg");
    configtexts::ScopedEnv xdg("XDG_CONFIG_HOME", "/cfg");
    configtexts::ScopedEnv home("HOME", "/home/u");
    EXPECT_EQ(Registry::defaultPath(), "/x/r.reg");
    unsetenv("CORVANE_REGISTRY");
    EXPECT_EQ(Registry::defaultPath(), "/cfg/corvane/registry.reg");
    setenv("XDG_CONFIG_HOME", "relative", 1);
    EXPECT_EQ(Registry::defaultPath(), "/home/u/.config/corvane/registry.reg");
}

TEST_F(RegistryTest, WritersThroughALinkAndDirectlyShareTheFileAndLoseNothing) {
    // The registry file lives elsewhere and is linked in: both writers must take the same lock.
    std::filesystem::create_directories(dir.file("dotfiles"));
    std::string real = dir.file("dotfiles/registry.reg");
    writeRegistry("");
    std::filesystem::rename(path, real);
    std::filesystem::create_symlink(real, path);
    Registry direct(real);
    ASSERT_TRUE(registry.setDword(kUser, "Shared", "viaLink", 1));
    ASSERT_TRUE(direct.setDword(kUser, "Shared", "direct", 2));
    EXPECT_EQ(registry.queryDword(kUser, "Shared", "viaLink"), 1u);
    EXPECT_EQ(registry.queryDword(kUser, "Shared", "direct"), 2u);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_TRUE(std::filesystem::exists(real + ".lock"));
    EXPECT_FALSE(std::filesystem::exists(path + ".lock"));
}
