#pragma once
// Numbers typed into dialog fields. A field accepts plain decimal numbers with a point: an optional
// sign, digits, an optional fraction and exponent, blanks around them ignored. A decimal comma,
// an empty field, other text or a number too large to hold is refused with a message, and the
// field takes the focus with its text selected, so the user can put it right.

#include <QString>
#include <optional>

class QLineEdit;
class QWidget;

namespace platform {
class Prompter;
}

namespace ui {

inline constexpr const char* kEnterNumber = "Please enter a number.";
inline constexpr const char* kEnterInteger = "Please enter an integer.";

std::optional<double> parseNumber(const QString& text);
std::optional<int> parseInteger(const QString& text);

// An entry field named for screen readers, showing value.
QLineEdit* numberField(const QString& accessibleName, const QString& value, QWidget* parent);

// The field's number, or nothing after the refusal was shown: kEnterNumber for text that is not a
// number, the range message for a number outside [low, high].
std::optional<double> readNumber(QLineEdit& field, double low, double high,
                                 platform::Prompter& prompter);
std::optional<int> readInteger(QLineEdit& field, int low, int high, platform::Prompter& prompter);

} // namespace ui
