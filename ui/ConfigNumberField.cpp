#include "ui/ConfigNumberField.h"

#include "ui/NumberEntry.h"

namespace ui {

ConfigNumberField::ConfigNumberField(const QString& accessibleName, const char* format, double low,
                                     double high, QWidget* parent)
    : QLineEdit(parent), format_(format), low_(low), high_(high) {
    setAccessibleName(accessibleName);
    connect(this, &QLineEdit::editingFinished, this, [this] {
        // Only typed changes count. The flag is cleared before anything is shown, since a message
        // box takes the focus and would finish the same edit a second time.
        if (!isModified()) return;
        setModified(false);
        emit edited();
    });
}

void ConfigNumberField::showValue(double value) {
    value_ = value;
    setText(QString::asprintf(format_, value));
    setModified(false);
}

std::optional<double> ConfigNumberField::takeTyped(platform::Prompter& prompter) {
    const std::optional<double> typed = readNumber(*this, low_, high_, prompter);
    if (!typed) {
        showValue(value_);
        selectAll();
        return std::nullopt;
    }
    showValue(*typed);
    return typed;
}

} // namespace ui
