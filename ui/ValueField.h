#pragma once
// A field that shows a value the program updates (a position, a count): a label whose accessible
// name is the field's caption ("Position", "PDOP") and whose accessible description is the value
// shown, since a label with a name of its own no longer offers its text to screen readers.

#include <QLabel>

namespace ui {

class ValueField : public QLabel {
public:
    ValueField(const QString& initial, const QString& name, QWidget* parent);
    // Shows text, and gives it to screen readers; nothing happens when it is already shown.
    void setValue(const QString& text);
};

} // namespace ui
