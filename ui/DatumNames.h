#pragma once
// The datum lists of the windows: every datum of the table by name, in table order.

#include <QStringList>

namespace geodesy {
class DatumTable;
}

namespace ui {

// Datum names are shown with at most this many characters.
inline constexpr qsizetype kDatumNameShown = 35;

// One entry per datum of the table (entry i is datum i + 1), each name trimmed and cut to
// kDatumNameShown characters; empty when the table is not loaded.
QStringList datumNames(const geodesy::DatumTable& table);

} // namespace ui
