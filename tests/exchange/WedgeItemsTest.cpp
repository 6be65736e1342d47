#include "exchange/WedgeItems.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string names(const exchange::WedgeItems& items) {
    std::string out;
    for (int i = 0; i < items.count(); ++i)
        out += (i ? "," : "") + items.name(i);
    return out;
}

struct EditCase {
    const char* script; // a<n>: append available item n; c<n>: choose; u, d, x: U, D, Del
    const char* list;
    int chosen;
    const char* left;
};

TEST(WedgeItemsPage, ButtonsEditTheSequence) {
    const EditCase cases[] = {
        {"a0a3a1a0", "Latitude,Tab,Longitude,Latitude", -1, "Items Left:31"},
        {"a0a3a1c0d", "Tab,Latitude,Longitude", 1, "Items Left:32"},
        {"a0a3c0u", "Latitude,Tab", 0, "Items Left:33"},
        {"a0a3c1d", "Latitude,Tab", 1, "Items Left:33"},
        {"a2a8c1u", "Down Arrow,Elevation", 0, "Items Left:33"},
        {"a0a4a5c1x", "Latitude,Right Arrow", 1, "Items Left:33"},
        {"a0a4c1xx", "", -1, "Items Left:35"},
    };
    for (const EditCase& c : cases) {
        engine::Settings settings;
        platform::RecordingPrompter prompter;
        exchange::WedgeItems items(settings, prompter);
        for (const char* p = c.script; *p; ++p) {
            if (*p == 'a') items.append(*++p - '0');
            if (*p == 'c') items.choose(*++p - '0');
            if (*p == 'u') items.moveUp();
            if (*p == 'd') items.moveDown();
            if (*p == 'x') items.remove();
        }
        EXPECT_EQ(names(items), c.list) << c.script;
        EXPECT_EQ(items.chosen(), c.chosen) << c.script;
        EXPECT_EQ(items.itemsLeftText(), c.left) << c.script;
    }
}

TEST(WedgeItemsPage, ThirtySixthItemIsRefused) {
    engine::Settings settings;
    platform::RecordingPrompter prompter;
    exchange::WedgeItems items(settings, prompter);
    for (int i = 0; i < 35; ++i)
        ASSERT_TRUE(items.append(3));
    EXPECT_FALSE(items.append(0));
    EXPECT_EQ(items.count(), 35);
    EXPECT_EQ(items.itemsLeftText(), "Items Left:0");
}

TEST(WedgeItemsPage, WriteProtectedFileRefusesEveryEdit) {
    engine::Settings settings;
    settings.Protected = 1;
    settings.K_INTKEY = 39;
    platform::RecordingPrompter prompter;
    exchange::WedgeItems items(settings, prompter);
    EXPECT_FALSE(items.append(0));
    items.setRawData(true);
    items.chooseSeparator(0);
    EXPECT_EQ(items.count(), 0);
    EXPECT_EQ(items.separatorIndex(), 1);
    EXPECT_FALSE(items.changed());
    EXPECT_EQ(prompter.messages(),
              std::vector<std::string>(
                  3, "Parameter file is write protected.\nParameter cannot be changed."));
}

TEST(WedgeItemsPage, FormatChoicesExcludeEachOther) {
    engine::Settings settings;
    settings.K_INTKEY = 13;
    platform::RecordingPrompter prompter;
    exchange::WedgeItems items(settings, prompter);
    EXPECT_EQ(items.separatorIndex(), 5);
    items.setRawData(false); // internal format
    EXPECT_EQ(items.separatorIndex(), -1);
    items.chooseSeparator(2);
    EXPECT_EQ(items.separatorIndex(), 2);
    items.setRawData(true);
    items.append(3);
    engine::Settings applied;
    items.applyTo(applied);
    EXPECT_EQ(applied.K_RAW, 1);
    EXPECT_EQ(applied.K_INTERNAL, 0);
    EXPECT_EQ(applied.K_INTKEY, 37);
    EXPECT_EQ(applied.KEYWEDGE.count, 0); // no data item: the list is dropped
    EXPECT_TRUE(items.changed());
}

} // namespace
