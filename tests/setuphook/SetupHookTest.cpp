#include <gtest/gtest.h>

#include <cstdlib>
#include <dlfcn.h>
#include <string>

#include "platform/Prompter.h"
#include "platform/Registry.h"
#include "setuphook/InstallerHookApi.h"
#include "setuphook/RegistryKeyHolder.h"
#include "setuphook/SetupHook.h"
#include "support/TestSupport.h"

using platform::Registry;
using platform::RegistryRoot;
using namespace setuphook;

namespace {

constexpr RegistryRoot kUser = RegistryRoot::CurrentUser;
constexpr char kAppKey[] = "SOFTWARE\\Varnholt\\Corvane";

// The built libsetuphook.so, loaded as an installer loads it, working on a registry file of the
// test's own (CORVANE_REGISTRY).
class HookLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("CORVANE_REGISTRY", path.c_str(), 1);
        handle = dlopen(SETUPHOOK_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        installInit = reinterpret_cast<InstallInitFunction>(dlsym(handle, "Install_Init"));
        installExit = reinterpret_cast<InstallExitFunction>(dlsym(handle, "Install_Exit"));
        uninstallInit = reinterpret_cast<UninstallInitFunction>(dlsym(handle, "Uninstall_Init"));
        uninstallExit = reinterpret_cast<UninstallExitFunction>(dlsym(handle, "Uninstall_Exit"));
        ASSERT_TRUE(installInit && installExit && uninstallInit && uninstallExit);
    }
    void TearDown() override {
        if (handle != nullptr) dlclose(handle);
        unsetenv("CORVANE_REGISTRY");
    }

    testsupport::TempDir dir;
    std::string path = dir.file("registry.reg");
    Registry registry{path};
    void* handle = nullptr;
    InstallInitFunction installInit = nullptr;
    InstallExitFunction installExit = nullptr;
    UninstallInitFunction uninstallInit = nullptr;
    UninstallExitFunction uninstallExit = nullptr;
};

} // namespace

TEST_F(HookLibraryTest, InstallRecordsTheDirectoryAsGivenAndUninstallRemovesOnlyItsKey) {
    EXPECT_EQ(uninstallExit(nullptr), kUninstallExitDone) << "no key yet";
    EXPECT_EQ(testsupport::readFile(path), "") << "no registry file was created";
    ASSERT_TRUE(registry.setDword(kUser, "SOFTWARE\\Varnholt\\Other", "x", 1));

    EXPECT_EQ(installInit(nullptr, 1, 0, "/opt/corvane/"), kInstallInitContinue);
    ASSERT_EQ(installExit(nullptr, "/opt/corvane/", 0, 0, 0, 0, 0), kInstallExitDone);
    const char* odd = "/home/u/Corvane \"Two\" \\ caf\xC3\xA9 ";
    ASSERT_EQ(installExit(nullptr, odd, 0, 0, 0, 0, 0), kInstallExitDone);
    EXPECT_EQ(registry.queryString(kUser, kAppKey, "rpath"), odd) << "stored exactly as given";
    ASSERT_TRUE(registry.setDword(kUser, std::string(kAppKey) + "\\Screens", "Last", 3));

    EXPECT_EQ(uninstallInit(nullptr, odd), kUninstallInitContinue);
    EXPECT_EQ(uninstallExit(nullptr), kUninstallExitDone);
    EXPECT_FALSE(registry.keyExists(kUser, kAppKey));
    EXPECT_EQ(registry.queryDword(kUser, "SOFTWARE\\Varnholt\\Other", "x"), 1u)
        << "the parent key and its other keys stay";
    std::string before = testsupport::readFile(path);
    EXPECT_EQ(uninstallExit(nullptr), kUninstallExitDone);
    EXPECT_EQ(testsupport::readFile(path), before) << "without the key nothing changes";
}

TEST(SetupHook, InstallTellsTheUserOnceItIsComplete) {
    testsupport::TempDir dir;
    Registry registry(dir.file("registry.reg"));
    platform::RecordingPrompter prompter;
    SetupHook hook(registry, prompter);
    ASSERT_EQ(hook.installExit("/opt/corvane/"), kInstallExitDone);
    ASSERT_EQ(prompter.entries().size(), 1u);
    EXPECT_EQ(prompter.entries()[0].text,
              "Corvane installation is complete.\r\n\nTo run Corvane, double click on the Corvane "
              "icon in the programs folder.");
    EXPECT_EQ(prompter.entries()[0].caption, "Corvane");
}

TEST(RegistryKeyHolder, ResultCodes) {
    testsupport::TempDir dir;
    Registry registry(dir.file("registry.reg"));
    RegistryKeyHolder keys(registry);

    EXPECT_EQ(keys.setString("rpath", "/x/"), kResultKeyNotOpen);
    EXPECT_EQ(keys.createSubkey("Corvane"), kResultKeyNotOpen)
        << "never a success without a parent";
    EXPECT_EQ(keys.createParent(nullptr), kResultFail);
    EXPECT_FALSE(keys.parentOpen());
    EXPECT_EQ(keys.createSubkey("Corvane"), kResultFail) << "the parent's failure is kept";
    EXPECT_EQ(keys.deleteSubkey("Corvane"), kResultFail);
    EXPECT_EQ(keys.createParent(""), kResultFail);

    EXPECT_EQ(keys.createParent("SOFTWARE\\Varnholt"), kResultOk);
    EXPECT_EQ(keys.disposition(), Disposition::CreatedNewKey);
    EXPECT_EQ(keys.createSubkey(nullptr), kResultCannotOpen);
    EXPECT_EQ(keys.createSubkey(""), kResultCannotOpen);
    EXPECT_EQ(keys.setString("rpath", "/x/"), kResultKeyNotOpen);
    EXPECT_EQ(keys.createSubkey("Corvane"), kResultOk);
    EXPECT_EQ(keys.setString(nullptr, "/x/"), kResultCannotWrite);
    EXPECT_EQ(keys.setString("rpath", nullptr), kResultCannotWrite);
    EXPECT_EQ(keys.setString("rpath", "/x/"), kResultOk);
    EXPECT_EQ(keys.result(), kResultOk);
    keys.close();
    EXPECT_FALSE(keys.subkeyOpen());
    EXPECT_EQ(keys.setString("rpath", "/y/"), kResultKeyNotOpen);
    EXPECT_EQ(registry.queryString(kUser, kAppKey, "rpath"), "/x/");

    EXPECT_EQ(keys.createParent("SOFTWARE\\Varnholt"), kResultOk);
    EXPECT_EQ(keys.disposition(), Disposition::OpenedExistingKey);
    EXPECT_EQ(keys.deleteSubkey("corvane"), kResultOk);
    EXPECT_EQ(keys.deleteSubkey("Corvane"), kResultNotFound);
    EXPECT_EQ(keys.openParent("SOFTWARE\\Elsewhere"), kResultNotFound);
    EXPECT_FALSE(keys.parentOpen());
}
