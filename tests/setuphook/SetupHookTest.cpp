#include <gtest/gtest.h>

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

} // namespace

// The exported entry points run this on the user's registry; the installer tests load the built
// library through cvinstall.
TEST(SetupHook, InstallRecordsTheDirectoryAsGivenAndUninstallRemovesOnlyItsKey) {
    testsupport::TempDir dir;
    std::string path = dir.file("registry.reg");
    Registry registry(path);
    platform::RecordingPrompter prompter;
    SetupHook hook(registry, prompter);
    EXPECT_EQ(hook.uninstallExit(), kUninstallExitDone) << "no key yet";
    EXPECT_EQ(testsupport::readFile(path), "") << "no registry file was created";
    ASSERT_TRUE(registry.setDword(kUser, "SOFTWARE\\Varnholt\\Other", "x", 1));
    EXPECT_EQ(hook.installInit(), kInstallInitContinue);
    const char* odd = "/home/u/Corvane \"Two\" \\ caf\xC3\xA9 ";
    ASSERT_EQ(hook.installExit(odd), kInstallExitDone);
    EXPECT_EQ(registry.queryString(kUser, kAppKey, "rpath"), odd) << "stored exactly as given";
    ASSERT_TRUE(registry.setDword(kUser, std::string(kAppKey) + "\\Screens", "Last", 3));
    EXPECT_EQ(hook.uninstallInit(), kUninstallInitContinue);
    EXPECT_EQ(hook.uninstallExit(), kUninstallExitDone);
    EXPECT_FALSE(registry.keyExists(kUser, kAppKey));
    EXPECT_EQ(registry.queryDword(kUser, "SOFTWARE\\Varnholt\\Other", "x"), 1u)
        << "the parent key and its other keys stay";
    std::string before = testsupport::readFile(path);
    EXPECT_EQ(hook.uninstallExit(), kUninstallExitDone);
    EXPECT_EQ(testsupport::readFile(path), before) << "without the key nothing changes";
}

TEST(RegistryKeyHolder, ResultCodes) {
    testsupport::TempDir dir;
    Registry registry(dir.file("registry.reg"));
    RegistryKeyHolder keys(registry);
    EXPECT_EQ(keys.createSubkey("Corvane"), kResultKeyNotOpen)
        << "never a success without a parent";
    EXPECT_EQ(keys.createParent("SOFTWARE\\Varnholt"), kResultOk);
    EXPECT_EQ(keys.setString("rpath", "/x/"), kResultKeyNotOpen);
    EXPECT_EQ(keys.createSubkey("Corvane"), kResultOk);
    EXPECT_EQ(keys.setString("rpath", "/x/"), kResultOk);
    EXPECT_EQ(registry.queryString(kUser, kAppKey, "rpath"), "/x/");
    EXPECT_EQ(keys.deleteSubkey("corvane"), kResultOk);
    EXPECT_EQ(keys.openParent("SOFTWARE\\Elsewhere"), kResultNotFound);
    EXPECT_FALSE(keys.parentOpen());
}
