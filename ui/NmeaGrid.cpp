#include "ui/NmeaGrid.h"

#include <algorithm>
#include <string>

namespace ui {

// The filter compares exactly kIdentifierLength characters.
static_assert(std::all_of(std::begin(kNmeaFilters), std::end(kNmeaFilters), [](NmeaFilterEntry e) {
    return std::char_traits<char>::length(e.identifier) == NmeaGrid::kIdentifierLength;
}));

void NmeaGrid::clear() {
    for (auto& line : cells_)
        line.fill(u' ');
    row_ = 0;
    column_ = 0;
}

void NmeaGrid::newLine() {
    if (++row_ < kRows) return;
    std::move(cells_.begin() + 1, cells_.end(), cells_.begin());
    cells_.back().fill(u' ');
    row_ = kRows - 1;
}

void NmeaGrid::write(char16_t c) {
    if (c == u'\n') {
        newLine();
    } else if (c == u'\r') {
        column_ = 0;
    } else {
        cells_[row_][column_] = c;
        if (++column_ == kColumns) {
            column_ = 0;
            newLine();
        }
    }
}

void NmeaGrid::setFilter(int index) {
    filter_ = (index >= 1 && index <= kNmeaFilterCount) ? index : 0;
    // Until the next '$' nothing is known about the sentence under way: it is not shown.
    state_ = FilterState::Dropping;
    collected_ = 0;
}

void NmeaGrid::receive(char16_t c) {
    if (filter_ == 0) {
        write(c);
        return;
    }
    if (c == u'$') {
        state_ = FilterState::Collecting;
        collected_ = 0;
    }
    switch (state_) {
    case FilterState::Dropping:
        return;
    case FilterState::Passing:
        write(c);
        return;
    case FilterState::Collecting:
        identifier_[static_cast<std::size_t>(collected_++)] = c;
        if (collected_ < kIdentifierLength) return;
        const char* wanted = kNmeaFilters[filter_ - 1].identifier;
        if (!std::equal(identifier_.begin(), identifier_.end(), wanted,
                        [](char16_t a, char b) { return a == static_cast<char16_t>(b); })) {
            state_ = FilterState::Dropping;
            return;
        }
        for (char16_t k : identifier_)
            write(k);
        state_ = FilterState::Passing;
        return;
    }
}

std::u16string NmeaGrid::rowText(int row) const {
    const auto& line = cells_[row];
    int end = kColumns;
    while (end > 0 && line[end - 1] == u' ')
        --end;
    return std::u16string(line.begin(), line.begin() + end);
}

} // namespace ui
