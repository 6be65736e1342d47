// The raw text window's grid: writing, wrapping, scrolling and the sentence filter.

#include <gtest/gtest.h>

#include "ui/NmeaGrid.h"

namespace {

void receive(ui::NmeaGrid& grid, std::u16string_view text) {
    for (char16_t c : text)
        grid.receive(c);
}

TEST(NmeaGrid, LineEndsMoveTheCursorAndLongLinesWrapAt86) {
    ui::NmeaGrid grid;
    receive(grid, u"ab\r\ncd\rX\n\r" + std::u16string(86, u'x') + u"y");
    EXPECT_EQ(grid.rowText(0), u"ab");
    EXPECT_EQ(grid.rowText(1), u"Xd");
    EXPECT_EQ(grid.rowText(2), std::u16string(86, u'x'));
    EXPECT_EQ(grid.rowText(3), u"y");
    EXPECT_EQ(grid.cursorColumn(), 1);
}

TEST(NmeaGrid, ReachingRowFortyScrollsUpOneRow) {
    ui::NmeaGrid grid;
    for (char16_t line = 0; line < 40; ++line)
        receive(grid, std::u16string{u'L', char16_t(u'0' + line % 10), u'\n', u'\r'});
    // 40 line feeds: the first line went out at the top, the last row is blank.
    EXPECT_EQ(grid.rowText(0), u"L1");
    EXPECT_EQ(grid.rowText(38), u"L9");
    EXPECT_EQ(grid.rowText(39), u"");
    receive(grid, u"tail");
    EXPECT_EQ(grid.rowText(39), u"tail");
    EXPECT_EQ(grid.cursorRow(), 39);
}

TEST(NmeaGrid, FilterShowsOnlyTheSelectedSentenceFromItsDollarToTheNextDollar) {
    const std::u16string stream = u"9,1*7F\r\n$GPGSA,A,3,04,05*3D\r\n$GPGSV,3,1,11,04*70\r\n"
                                  u"$GPGGA,1*22\r\n$GPGSV,3,2*71\r\n";
    const struct {
        int filter;
        const char16_t *row0, *row1;
    } cases[] = {{3, u"$GPGSV,3,1,11,04*70", u"$GPGSV,3,2*71"},
                 {4, u"$GPGSA,A,3,04,05*3D", u""},
                 {5, u"", u""},
                 {0, u"9,1*7F", u"$GPGSA,A,3,04,05*3D"}};
    for (const auto& c : cases) {
        ui::NmeaGrid grid;
        grid.setFilter(c.filter);
        receive(grid, stream);
        EXPECT_EQ(grid.rowText(0), c.row0) << c.filter;
        EXPECT_EQ(grid.rowText(1), c.row1) << c.filter;
    }
}

TEST(NmeaGrid, FilterTellsTheTalkersApart) {
    const std::u16string stream = u"$GNGGA,1\r\n$GPGGA,2\r\n$GLGSV,3\r\n$BDGSV,4\r\n$GIGSV,5\r\n";
    const std::pair<int, const char16_t*> cases[] = {
        {1, u"$GPGGA,2"},  {6, u"$GNGGA,1"},  {11, u"$GLGSV,3"}, {12, u""},
        {14, u"$BDGSV,4"}, {16, u"$GIGSV,5"}, {17, u"$GNGGA,1"}}; // 17: no filter, all shown
    for (const auto& [filter, row0] : cases) {
        ui::NmeaGrid grid;
        grid.setFilter(filter);
        receive(grid, stream);
        EXPECT_EQ(grid.rowText(0), row0) << filter;
    }
}

TEST(NmeaGrid, ChangingTheFilterDropsAPartlyCollectedIdentifier) {
    ui::NmeaGrid grid;
    grid.setFilter(3);
    receive(grid, u"$GPG");
    grid.setFilter(3);
    receive(grid, u"SV,1\r\n$GPGSV,2");
    EXPECT_EQ(grid.rowText(0), u"$GPGSV,2");
}

} // namespace
