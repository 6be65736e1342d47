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
        writeFile(work.file("cvtool"), "#!/bin/sh\n");
        ::chmod(work.file("cvtool").c_str(), 0755);
        payload = " --from '" SETUPHOOK_PATH "' --from '" + work.file("ellips.dat") + "' --from '" +
                  work.file("cvtool") + "' --from '" + work.file("not-built") + "'";
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
    EXPECT_EQ(fs::status(app + "/cvtool").permissions() & fs::perms::owner_exec,
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
    ASSERT_EQ(cvinstall(work, registryPath, "uninstall '" + fresh + "'").status, 0);
    EXPECT_FALSE(fs::exists(fresh)) << "the directory the installer created goes when empty";
}

TEST_F(InstallerTest, RefusesBadRequests) {
    EXPECT_EQ(cvinstall(work, registryPath, "uninstall '" + app + "'").status, 1)
        << "nothing installed";
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
