#include "ui/ValueField.h"

namespace ui {

ValueField::ValueField(const QString& initial, const QString& name, QWidget* parent)
    : QLabel(initial, parent) {
    setAccessibleName(name);
    setAccessibleDescription(initial);
}

void ValueField::setValue(const QString& text) {
    if (text == this->text()) return;
    setText(text);
    setAccessibleDescription(text);
}

} // namespace ui
