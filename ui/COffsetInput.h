#pragma once
// "Offset Input": the distance (metres or feet), direction (from the north of the reference) and
// slope of an offset. Used by the Mark Point dialog and the waypoint editors; the conversions
// between what it shows and the stored offset are data::offsetInputShown/offsetInputTaken.
// OK keeps the dialog open until every field holds a number within its range.

#include <QDialog>

#include "data/OffsetInput.h"

class QLineEdit;

namespace platform {
class Prompter;
}

class COffsetInput : public QDialog {
    Q_OBJECT
public:
    COffsetInput(const data::OffsetInputValues& values, platform::Prompter& prompter,
                 QWidget* parent = nullptr);

    // The values shown, and after OK the ones entered.
    const data::OffsetInputValues& values() const { return values_; }

    // Shows the dialog modally; true on OK with values holding what was entered.
    static bool ask(data::OffsetInputValues& values, platform::Prompter& prompter, QWidget* parent);

    void accept() override;

private:
    data::OffsetInputValues values_;
    platform::Prompter& prompter_;
    QLineEdit* distance_;
    QLineEdit* direction_;
    QLineEdit* slope_;
};
