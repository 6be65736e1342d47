#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>

#include "platform/Registry.h"
#include "support/TestSupport.h"

using platform::RegistryRoot;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::writeFile;

namespace {

namespace fs = std::filesystem;

constexpr char kAppKey[] = "SOFTWARE\\Varnholt\\Corvane";

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(work.file("ellips.dat"), "ellipsoids\n");
        writeFile(work.file("corvane"), "#!/bin/sh\n");
        ::chmod(work.file("corvane").c_str(), 0755);
        payload = " --from '" SETUPHOOK_PATH "' --from '" + work.file("ellips.dat") + "' --from '" +
                  work.file("corvane") + "' --from '" + work.file("not-built") + "'";
    }

    // Runs the built cvinstall with the given registry file; its stderr goes to err.
    int cvinstall(const std::string& args, const std::string& registryFile = "") {
        std::string cmd =
            "CORVANE_REGISTRY='" + (registryFile.empty() ? registryPath : registryFile) +
            "' '" CVINSTALL_PATH "' " + args + " >/dev/null 2>'" + work.file("err") + "'";
        int raw = std::system(cmd.c_str());
        err = readFile(work.file("err"));
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    int install(const std::string& dir, const std::string& more = "",
                const std::string& registryFile = "") {
        return cvinstall("install '" + dir + "'" + payload + more, registryFile);
    }
    int uninstall(const std::string& dir) { return cvinstall("uninstall '" + dir + "'"); }
    std::set<std::string> namesIn(const std::string& dir) {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir))
            names.insert(entry.path().filename().string());
        return names;
    }
    std::optional<std::string> rpath() {
        return registry.queryString(RegistryRoot::CurrentUser, kAppKey, "rpath");
    }

    TempDir work;
    std::string registryPath = work.file("registry.reg");
    platform::Registry registry{registryPath};
    std::string app = work.file("apps/Corvane");
    std::string payload;
    std::string err;
};

} // namespace

TEST_F(InstallerTest, InstallsThePayloadRecordsTheDirectoryAndUninstallTakesItAllBack) {
    ASSERT_EQ(install(app), 0) << err;
    EXPECT_EQ(namesIn(app), (std::set<std::string>{"corvane", "cvinstall.manifest", "ellips.dat",
                                                   "libsetuphook.so"}));
    EXPECT_EQ(fs::status(app + "/corvane").permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_NE(err.find("Corvane installation is complete."), std::string::npos);
    EXPECT_EQ(rpath(), app + "/");
    writeFile(app + "/cv.ini", "GPSPort=COM3:\n"); // the user's own file
    ASSERT_EQ(uninstall(app + "/"), 0) << err;
    EXPECT_EQ(namesIn(app), std::set<std::string>{"cv.ini"}) << "only installed files go";
    EXPECT_FALSE(registry.keyExists(RegistryRoot::CurrentUser, kAppKey));
    EXPECT_EQ(uninstall(app), 0) << "removing twice leaves nothing to do";
    EXPECT_NE(err.find("nothing installed"), std::string::npos) << err;
}

TEST_F(InstallerTest, RemovingADirectoryTheRegistryDoesNotNameKeepsTheKey) {
    std::string other = work.file("apps/Other");
    ASSERT_EQ(install(app), 0);
    ASSERT_EQ(install(other), 0);
    EXPECT_EQ(uninstall(app), 0) << err;
    EXPECT_EQ(rpath(), other + "/") << "the other installation still works";

    // A file that cannot be removed (a folder in its place) keeps the key too.
    fs::remove(other + "/ellips.dat");
    fs::create_directories(other + "/ellips.dat/user-data");
    EXPECT_EQ(uninstall(other + "/./"), 1);
    EXPECT_EQ(rpath(), other + "/") << err;
    fs::remove_all(other + "/ellips.dat");
    EXPECT_EQ(uninstall(other + "/./"), 0);
    EXPECT_FALSE(registry.keyExists(RegistryRoot::CurrentUser, kAppKey));
}

TEST_F(InstallerTest, AnIncompleteInstallationLeavesTheRegistryAlone) {
    ASSERT_TRUE(registry.setString(RegistryRoot::CurrentUser, kAppKey, "rpath", "/home/u/cv/"));
    fs::create_directories(work.file("tables.dat")); // a payload file that cannot be read
    EXPECT_EQ(install(app, " --from '" + work.file("tables.dat") + "'"), 1);
    EXPECT_EQ(err.find("installation is complete"), std::string::npos) << err;
    EXPECT_EQ(rpath(), "/home/u/cv/");
    EXPECT_EQ(uninstall(app), 0) << "what was copied can be removed";
    EXPECT_FALSE(fs::exists(app));
}

TEST_F(InstallerTest, ARefusedReinstallKeepsTheEarlierInstallation) {
    ASSERT_EQ(install(app), 0);
    writeFile(work.file("blocked"), "");
    std::string unwritable = work.file("blocked/registry.reg"); // rpath cannot be recorded
    writeFile(work.file("extra.dat"), "new in this version\n");
    EXPECT_EQ(install(app, " --from '" + work.file("extra.dat") + "'", unwritable), 1);
    EXPECT_EQ(err.find("installation is complete"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(app + "/extra.dat")) << "what this run added is taken back";
    EXPECT_EQ(readFile(app + "/ellips.dat"), "ellipsoids\n") << "the earlier files stay";
    EXPECT_EQ(rpath(), app + "/");
    ASSERT_EQ(uninstall(app), 0);
    EXPECT_FALSE(fs::exists(app)) << "the manifest still listed every earlier file";
}

TEST_F(InstallerTest, AManifestNamingFilesElsewhereIsRefused) {
    ASSERT_EQ(install(app), 0);
    writeFile(app + "/cvinstall.manifest", "file ../../registry.reg\n");
    EXPECT_EQ(uninstall(app), 1);
    EXPECT_TRUE(fs::exists(registryPath));
}

TEST_F(InstallerTest, TheDesktopEntryNamesTheInstalledProgramAndIcon) {
    writeFile(work.file("corvane.desktop"),
              "[Desktop Entry]\nName=Corvane\nExec=corvane --no-splash\nIcon=corvane\n");
    const std::string dir = work.file("My $Apps");
    ASSERT_EQ(install(dir, " --from '" + work.file("corvane.desktop") + "'"), 0) << err;
    EXPECT_EQ(readFile(dir + "/corvane.desktop"),
              "[Desktop Entry]\nName=Corvane\nExec=\"" + work.file("My \\\\$Apps") +
                  "/corvane\" --no-splash\nIcon=" + dir + "/corvane.svg\n");
}
