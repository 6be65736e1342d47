#pragma once
// The character grid behind the diagnostics' raw text window: 40 rows of 86 columns written like
// a terminal (line feed, carriage return, wrap, scroll), with the sentence filter in front of it.
// No Qt here.

#include <array>
#include <iterator>
#include <string>

namespace ui {

// The sentences the filter can select: the name the diagnostics list shows and the six
// characters a sentence starts with. Filter index i (from 1) selects entry i - 1.
struct NmeaFilterEntry {
    const char* name;
    const char* identifier;
};
inline constexpr NmeaFilterEntry kNmeaFilters[] = {
    {"GGA", "$GPGGA"},   {"VTG", "$GPVTG"},   {"GSV", "$GPGSV"},   {"GSA", "$GPGSA"},
    {"RMC", "$GPRMC"},   {"GNGGA", "$GNGGA"}, {"GNVTG", "$GNVTG"}, {"GNGSV", "$GNGSV"},
    {"GNGSA", "$GNGSA"}, {"GNRMC", "$GNRMC"}, {"GLGSV", "$GLGSV"}, {"GAGSV", "$GAGSV"},
    {"GBGSV", "$GBGSV"}, {"BDGSV", "$BDGSV"}, {"GQGSV", "$GQGSV"}, {"GIGSV", "$GIGSV"}};
inline constexpr int kNmeaFilterCount = static_cast<int>(std::size(kNmeaFilters));

class NmeaGrid {
public:
    static constexpr int kRows = 40;
    static constexpr int kColumns = 86;
    static constexpr int kIdentifierLength = 6;

    NmeaGrid() { clear(); }

    // Blanks every cell and puts the cursor at the top left.
    void clear();

    // Passes one received character through the filter.
    void receive(char16_t c);
    // Writes one character at the cursor (no filter).
    void write(char16_t c);

    // 0 shows everything; 1 to kNmeaFilterCount only the sentences of that entry of
    // kNmeaFilters ("$GPGGA", "$GPVTG", "$GPGSV", "$GPGSA", "$GPRMC", then the other talkers').
    // Any other index shows everything. Changing it drops an identifier being collected.
    void setFilter(int index);
    int filter() const { return filter_; }

    int cursorRow() const { return row_; }
    int cursorColumn() const { return column_; }
    char16_t cell(int row, int column) const { return cells_[row][column]; }
    // The row's text without its trailing blanks.
    std::u16string rowText(int row) const;

private:
    enum class FilterState { Dropping, Collecting, Passing };

    void newLine();

    std::array<std::array<char16_t, kColumns>, kRows> cells_;
    int row_ = 0;
    int column_ = 0;
    int filter_ = 0;
    FilterState state_ = FilterState::Dropping;
    std::array<char16_t, kIdentifierLength> identifier_{};
    int collected_ = 0;
};

} // namespace ui
