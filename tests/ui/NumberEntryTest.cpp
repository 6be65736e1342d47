// Numbers typed into dialog fields, and the "Offset Input" dialog that reads three of them.

#include <QLineEdit>
#include <gtest/gtest.h>

#include "platform/Prompter.h"
#include "ui/COffsetInput.h"
#include "ui/NumberEntry.h"

namespace {

TEST(NumberEntry, AcceptsPlainDecimalsAndRefusesEverythingElse) {
    const struct {
        const char* text;
        std::optional<double> number;
        std::optional<int> integer;
    } cases[] = {
        {"12.5", 12.5, std::nullopt},
        {" -0.25 ", -0.25, std::nullopt},
        {"+3", 3.0, 3},
        {".5", 0.5, std::nullopt},
        {"1e3", 1000.0, std::nullopt},
        {"-7", -7.0, -7},
        {"", std::nullopt, std::nullopt},
        {"1,5", std::nullopt, std::nullopt}, // a decimal comma is not taken for a point
        {"abc", std::nullopt, std::nullopt},
        {"1.2.3", std::nullopt, std::nullopt},
        {"inf", std::nullopt, std::nullopt},
        {"nan", std::nullopt, std::nullopt},
        {"1e999", std::nullopt, std::nullopt},
        {"0x10", std::nullopt, std::nullopt},
        {"99999999999", 99999999999.0, std::nullopt},
        {"٣", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        const QString text = QString::fromUtf8(c.text);
        EXPECT_EQ(ui::parseNumber(text), c.number) << c.text;
        EXPECT_EQ(ui::parseInteger(text), c.integer) << c.text;
    }
}

struct OffsetDialogCase {
    const char* distance;
    const char* direction;
    const char* slope;
    const char* refusal; // nullptr: accepted
};

TEST(OffsetInputDialog, RefusesBadFieldsAndStaysOpenAcceptsGoodOnes) {
    const OffsetDialogCase cases[] = {
        {"1,5", "90", "0", "Please enter a number."},
        {"", "90", "0", "Please enter a number."},
        {"-1", "90", "0", "Enter a number between 0 and 10000000."},
        {"10", "400", "0", "Enter a number between -360 and 360."},
        {"10", "90", "-361", "Enter a number between -360 and 360."},
        {"10000000", "-360", "30", nullptr},
    };
    for (const auto& c : cases) {
        platform::RecordingPrompter prompter;
        data::OffsetInputValues shown;
        shown.distance = 5;
        COffsetInput dialog(shown, prompter);
        for (auto [name, text] :
             {std::pair{"Distance", c.distance}, {"Direction", c.direction}, {"Slope", c.slope}}) {
            for (QLineEdit* field : dialog.findChildren<QLineEdit*>())
                if (field->accessibleName() == QLatin1String(name))
                    field->setText(QString::fromUtf8(text));
        }
        dialog.accept();
        if (c.refusal == nullptr) {
            EXPECT_EQ(dialog.result(), QDialog::Accepted);
            EXPECT_TRUE(prompter.messages().empty());
            EXPECT_EQ(dialog.values().distance, 10000000);
            EXPECT_EQ(dialog.values().direction, -360);
            EXPECT_EQ(dialog.values().slope, 30);
        } else {
            EXPECT_NE(dialog.result(), QDialog::Accepted) << c.distance << c.direction;
            EXPECT_EQ(prompter.messages(), std::vector<std::string>{c.refusal});
            EXPECT_EQ(dialog.values().distance, 5) << "the shown values stay until OK succeeds";
        }
    }
}

} // namespace
