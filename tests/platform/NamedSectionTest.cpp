#include "platform/NamedSection.h"

#include "platform/ChildProcess.h"
#include "platform/NamedEvent.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <sys/mman.h>
#include <sys/stat.h>

using platform::NamedSection;
using namespace testsupport;

namespace {

using NamedSectionAccess = NamedObjectTest;
using NamedSectionLifetime = NamedObjectTest;

bool objectExists(const std::string& objectName) {
    int fd = shm_open(objectName.c_str(), O_RDONLY, 0);
    if (fd >= 0) close(fd);
    return fd >= 0;
}

TEST_F(NamedSectionAccess, ObjectOpenToOthersIsRefused) {
    const std::string objectName = platform::sharedObjectName("RuzeriVovAzo");
    int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(fchmod(fd, 0644), 0);
    close(fd);
    std::string reason;
    EXPECT_FALSE(NamedSection::create("RuzeriVovAzo", 528, nullptr, &reason));
    EXPECT_EQ(errno, EACCES);
    EXPECT_NE(reason.find("mode 0644"), std::string::npos) << reason;
    shm_unlink(objectName.c_str());
}

TEST_F(NamedSectionLifetime, SharedUntilTheLastLiveHolderLeavesAndNoKilledHolderWedgesIt) {
    const char* name = "Ruzeri/Vov Azo";
    const std::string objectName = platform::sharedObjectName(name);
    EXPECT_EQ(objectName, "/" + prefix_ + "-" + std::to_string(geteuid()) + "-Ruzeri%2FVov%20Azo");
    Child child = spawn([&](int up) {
        auto go = platform::NamedEvent::create("go", false);
        auto s = NamedSection::create(name, 528);
        auto object = platform::SharedObject::open(objectName, 528, false, nullptr);
        if (!go || !s || !object) return 1;
        static_cast<unsigned char*>(s->data())[527] = 0x5A;
        sendByte(up, 'r');
        go->wait(platform::NamedEvent::kInfinite);
        platform::SharedObject::Lock lock(*object);
        sendByte(up, lock.ok() ? 'l' : 'f');
        pause(); // holds the section and its lock until killed
        return 0;
    });
    ASSERT_EQ(receiveByte(child), 'r');
    bool existed = false;
    auto section = NamedSection::create(name, 528, &existed);
    ASSERT_TRUE(section && existed);
    EXPECT_EQ(static_cast<unsigned char*>(section->data())[527], 0x5A);
    EXPECT_FALSE(NamedSection::create(name, 600)); // held with another size
    EXPECT_EQ(errno, EEXIST);
    section->close();
    EXPECT_TRUE(objectExists(objectName)); // the child still holds it
    platform::NamedEvent::create("go", false)->set();
    ASSERT_EQ(receiveByte(child), 'l');
    killLeavingZombie(child);
    section = NamedSection::create(name, 528, &existed);
    ASSERT_TRUE(section);
    EXPECT_FALSE(existed);
    const unsigned char zeros[528] = {};
    EXPECT_EQ(std::memcmp(section->data(), zeros, sizeof zeros), 0);
    section->close();
    EXPECT_FALSE(objectExists(objectName));
    reap(child);
    // A creator killed before it sized the object leaves an empty one behind.
    int fd = shm_open(objectName.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    ASSERT_GE(fd, 0);
    close(fd);
    existed = true;
    EXPECT_TRUE(NamedSection::create(name, 528, &existed));
    EXPECT_FALSE(existed);
}

} // namespace
