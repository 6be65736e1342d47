#include "ui/DatumNames.h"

#include "geodesy/DatumTable.h"

namespace ui {

QStringList datumNames(const geodesy::DatumTable& table) {
    QStringList names;
    const int count = table.datumCount();
    for (int i = 1; i <= count; ++i) {
        char name[geodesy::kDatumNameSize] = {};
        table.datumName(i, name);
        names << QString::fromUtf8(name).trimmed().left(kDatumNameShown);
    }
    return names;
}

} // namespace ui
