#include "engine/WaypointStore.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string numbers(const engine::WaypointStore& store) {
    std::string out;
    store.forEach([&](int slot, const engine::Waypoint& w) {
        out += std::to_string(slot) + "#" + std::to_string(w.number) + " ";
    });
    return out;
}

TEST(WaypointStoreTest, RemovalRenumbersAndAFreedSlotIsReusedLast) {
    engine::WaypointStore store;
    for (int i = 0; i < 5; ++i)
        store.at(store.append()).number = int16_t(i + 1);
    EXPECT_TRUE(store.remove(2));
    EXPECT_FALSE(store.remove(2));
    EXPECT_EQ(numbers(store), "0#1 1#2 3#3 4#4 ");
    EXPECT_EQ(store.insertAfter(0), 5);
    EXPECT_EQ(numbers(store), "0#1 5#2 1#3 3#4 4#5 ");
    for (int slot = 6; slot < 256; ++slot)
        EXPECT_EQ(store.append(), slot);
    EXPECT_EQ(store.append(), 2);
    EXPECT_FALSE(store.hasRoom());
    EXPECT_EQ(store.append(), engine::WaypointStore::kNoSlot);
}

} // namespace
