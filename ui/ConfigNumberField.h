#pragma once
// A number field of a configuration page. It shows its value with a printf-style format and takes
// a typed number when the user leaves the field or presses Return. A number outside the field's
// range, an empty field, other text or a decimal comma is refused with the shared number-entry
// messages, and the field shows its last accepted value again; so the page only ever holds
// accepted values, whatever the user leaves in the field when the sheet is confirmed.

#include <QLineEdit>
#include <optional>

namespace platform {
class Prompter;
}

namespace ui {

class ConfigNumberField : public QLineEdit {
    Q_OBJECT
public:
    ConfigNumberField(const QString& accessibleName, const char* format, double low, double high,
                      QWidget* parent);

    // Shows value as the field's accepted value (not an edit).
    void showValue(double value);
    double value() const { return value_; }

    // Takes the typed text (after edited()): the new accepted value, shown with the format, or
    // nothing when it was refused (the message shown, the last value shown again).
    std::optional<double> takeTyped(platform::Prompter& prompter);

    double low() const { return low_; }
    double high() const { return high_; }

signals:
    // The user finished an edit of the text (left the field or pressed Return after typing).
    void edited();

private:
    const char* format_;
    double low_;
    double high_;
    double value_ = 0;
};

} // namespace ui
