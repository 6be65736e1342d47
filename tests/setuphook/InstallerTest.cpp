#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
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

struct InstallRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the built cvinstall with its own registry file.
InstallRun cvinstall(const TempDir& work, const std::string& registry, const std::string& args) {
    std::string cmd = "CORVANE_REGISTRY='" + registry + "' '" CVINSTALL_PATH "' " + args + " >'" +
                      work.file("out") + "' 2>'" + work.file("err") + "'";
    int raw = std::system(cmd.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, readFile(work.file("out")),
            readFile(work.file("err"))};
}

class InstallerTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(work.file("ellips.dat"), "ellipsoids\n");
        writeFile(work.file("corvane"), "#!/bin/sh\n");
        ::chmod(work.file("corvane").c_str(), 0755);
        payload = " --from '" SETUPHOOK_PATH "' --from '" + work.file("ellips.dat") + "' --from '" +
                  work.file("corvane") + "' --from '" + work.file("not-built") + "'";
    }

    TempDir work;
    std::string registryPath = work.file("registry.reg");
    platform::Registry registry{registryPath};
    std::string app = work.file("apps/Corvane");
    std::string payload;
};

} // namespace

TEST_F(InstallerTest, InstallsThePayloadRecordsTheDirectoryAndUninstallTakesItAllBack) {
    InstallRun r = cvinstall(work, registryPath, "install '" + app + "'" + payload);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(readFile(app + "/ellips.dat"), "ellipsoids\n");
    EXPECT_TRUE(fs::exists(app + "/libsetuphook.so"));
    EXPECT_EQ(fs::status(app + "/corvane").permissions() & fs::perms::owner_exec,
              fs::perms::owner_exec);
    EXPECT_FALSE(fs::exists(app + "/not-built"));
    EXPECT_NE(r.err.find("skipped"), std::string::npos);
    EXPECT_NE(r.err.find("Corvane installation is complete."), std::string::npos);
    EXPECT_EQ(
        registry.queryString(RegistryRoot::CurrentUser, "SOFTWARE\\Varnholt\\Corvane", "rpath"),
        app + "/");

    writeFile(app + "/cv.ini", "GPSPort=COM3:\n"); // the user's own file
    r = cvinstall(work, registryPath, "uninstall '" + app + "/'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(app + "/ellips.dat"));
    EXPECT_FALSE(fs::exists(app + "/libsetuphook.so"));
    EXPECT_FALSE(fs::exists(app + "/cvinstall.manifest"));
    EXPECT_TRUE(fs::exists(app + "/cv.ini")) << "only installed files are removed";
    EXPECT_FALSE(registry.keyExists(RegistryRoot::CurrentUser, "SOFTWARE\\Varnholt\\Corvane"));

    std::string fresh = work.file("fresh");
    ASSERT_EQ(cvinstall(work, registryPath, "install '" + fresh + "'" + payload).status, 0);
    ASSERT_TRUE(registry.deleteKey(RegistryRoot::CurrentUser, "SOFTWARE\\Varnholt\\Corvane"));
    r = cvinstall(work, registryPath, "uninstall '" + fresh + "'");
    ASSERT_EQ(r.status, 0) << "the key is already gone: " << r.err;
    EXPECT_FALSE(fs::exists(fresh)) << "the directory the installer created goes when empty";
    r = cvinstall(work, registryPath, "uninstall '" + fresh + "'");
    EXPECT_EQ(r.status, 0) << "removing twice leaves nothing to do";
    EXPECT_NE(r.err.find("nothing installed"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(fresh));
}

TEST_F(InstallerTest, RemovingADirectoryTheRegistryDoesNotNameKeepsTheKey) {
    const char* key = "SOFTWARE\\Varnholt\\Corvane";
    std::string other = work.file("apps/Other");
    ASSERT_EQ(cvinstall(work, registryPath, "install '" + app + "'" + payload).status, 0);
    ASSERT_EQ(cvinstall(work, registryPath, "install '" + other + "'" + payload).status, 0);
    InstallRun r = cvinstall(work, registryPath, "uninstall '" + app + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(fs::exists(app));
    EXPECT_EQ(registry.queryString(RegistryRoot::CurrentUser, key, "rpath"), other + "/")
        << "the other installation still works";

    // A file that cannot be removed (a folder in its place) keeps the key too.
    fs::remove(other + "/ellips.dat");
    fs::create_directories(other + "/ellips.dat/user-data");
    r = cvinstall(work, registryPath, "uninstall '" + other + "/./'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(registry.queryString(RegistryRoot::CurrentUser, key, "rpath"), other + "/") << r.err;
    fs::remove_all(other + "/ellips.dat");
    EXPECT_EQ(cvinstall(work, registryPath, "uninstall '" + other + "/./'").status, 0);
    EXPECT_FALSE(registry.keyExists(RegistryRoot::CurrentUser, key));
}

TEST_F(InstallerTest, AnIncompleteInstallationLeavesTheRegistryAlone) {
    const char* key = "SOFTWARE\\Varnholt\\Corvane";
    ASSERT_TRUE(registry.setString(RegistryRoot::CurrentUser, key, "rpath", "/home/u/corvane/"));
    fs::create_directories(work.file("tables.dat")); // a payload file that cannot be read
    InstallRun r =
        cvinstall(work, registryPath,
                  "install '" + app + "'" + payload + " --from '" + work.file("tables.dat") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("incomplete"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("installation is complete"), std::string::npos) << r.err;
    EXPECT_EQ(registry.queryString(RegistryRoot::CurrentUser, key, "rpath"), "/home/u/corvane/");

    writeFile(work.file("blocker"), ""); // a directory that cannot be created
    r = cvinstall(work, registryPath, "install '" + work.file("blocker/app") + "'" + payload);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.find("installation is complete"), std::string::npos) << r.err;
    EXPECT_EQ(registry.queryString(RegistryRoot::CurrentUser, key, "rpath"), "/home/u/corvane/");

    EXPECT_EQ(cvinstall(work, registryPath, "uninstall '" + app + "'").status, 0)
        << "what was copied can be removed";
    EXPECT_FALSE(fs::exists(app));
}

TEST_F(InstallerTest, ARefusedReinstallKeepsTheEarlierInstallation) {
    ASSERT_EQ(cvinstall(work, registryPath, "install '" + app + "'" + payload).status, 0);
    writeFile(work.file("blocked"), "");
    std::string unwritable = work.file("blocked/registry.reg"); // rpath cannot be recorded
    writeFile(work.file("extra.dat"), "new in this version\n");

    InstallRun r =
        cvinstall(work, unwritable,
                  "install '" + app + "'" + payload + " --from '" + work.file("extra.dat") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("could not record"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("installation is complete"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(app + "/extra.dat")) << "what this run added is taken back";
    EXPECT_EQ(readFile(app + "/ellips.dat"), "ellipsoids\n") << "the earlier files stay";
    EXPECT_TRUE(fs::exists(app + "/libsetuphook.so"));
    EXPECT_EQ(
        registry.queryString(RegistryRoot::CurrentUser, "SOFTWARE\\Varnholt\\Corvane", "rpath"),
        app + "/");
    ASSERT_EQ(cvinstall(work, registryPath, "uninstall '" + app + "'").status, 0);
    EXPECT_FALSE(fs::exists(app)) << "the manifest still listed every earlier file";

    r = cvinstall(work, unwritable, "install '" + app + "'" + payload);
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(fs::exists(app)) << "a refused first installation leaves nothing behind";
}

TEST_F(InstallerTest, RefusesBadRequests) {
    EXPECT_EQ(cvinstall(work, registryPath,
                        "install '" + app + "' --from '" + work.file("ellips.dat") + "'")
                  .status,
              1)
        << "no hook in the payload";
    EXPECT_FALSE(fs::exists(app));
    EXPECT_EQ(cvinstall(work, registryPath, "remove '" + app + "'").status, 2);
    EXPECT_EQ(cvinstall(work, registryPath, "install").status, 2);
    EXPECT_FALSE(fs::exists(registryPath));
}

TEST_F(InstallerTest, AManifestNamingFilesElsewhereIsRefused) {
    ASSERT_EQ(cvinstall(work, registryPath, "install '" + app + "'" + payload).status, 0);
    writeFile(app + "/cvinstall.manifest", "file ../../registry.reg\n");
    EXPECT_EQ(cvinstall(work, registryPath, "uninstall '" + app + "'").status, 1);
    EXPECT_TRUE(fs::exists(registryPath));
}
