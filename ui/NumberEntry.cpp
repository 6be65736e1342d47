#include "ui/NumberEntry.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <charconv>
#include <cmath>

#include "data/InputRange.h"
#include "platform/Prompter.h"

namespace ui {

namespace {

// The text without its blanks and its plus sign, when it has the form of a number.
std::optional<std::string> numberText(const QString& text, const QRegularExpression& form) {
    const QString trimmed = text.trimmed();
    if (!form.match(trimmed).hasMatch()) return std::nullopt;
    std::string plain = trimmed.toStdString();
    if (plain.front() == '+') plain.erase(0, 1);
    return plain;
}

void refuse(QLineEdit& field, const std::string& message, platform::Prompter& prompter) {
    prompter.message(message);
    field.setFocus();
    field.selectAll();
}

} // namespace

std::optional<double> parseNumber(const QString& text) {
    static const QRegularExpression form(
        QStringLiteral(R"(^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$)"));
    const std::optional<std::string> plain = numberText(text, form);
    if (!plain) return std::nullopt;
    double value = 0;
    const auto [end, error] = std::from_chars(plain->data(), plain->data() + plain->size(), value);
    if (error != std::errc() || end != plain->data() + plain->size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> parseInteger(const QString& text) {
    static const QRegularExpression form(QStringLiteral(R"(^[+-]?\d+$)"));
    const std::optional<std::string> plain = numberText(text, form);
    if (!plain) return std::nullopt;
    int value = 0;
    const auto [end, error] = std::from_chars(plain->data(), plain->data() + plain->size(), value);
    if (error != std::errc() || end != plain->data() + plain->size()) return std::nullopt;
    return value;
}

QLineEdit* numberField(const QString& accessibleName, const QString& value, QWidget* parent) {
    auto* field = new QLineEdit(value, parent);
    field->setAccessibleName(accessibleName);
    return field;
}

std::optional<double> readNumber(QLineEdit& field, double low, double high,
                                 platform::Prompter& prompter) {
    const std::optional<double> value = parseNumber(field.text());
    if (!value) {
        refuse(field, kEnterNumber, prompter);
        return std::nullopt;
    }
    if (!data::inInputRange(*value, low, high)) {
        refuse(field, data::numberRangeRefusal(low, high), prompter);
        return std::nullopt;
    }
    return value;
}

std::optional<int> readInteger(QLineEdit& field, int low, int high, platform::Prompter& prompter) {
    const std::optional<int> value = parseInteger(field.text());
    if (!value) {
        refuse(field, kEnterInteger, prompter);
        return std::nullopt;
    }
    if (*value < low || *value > high) {
        refuse(field, data::numberRangeRefusal(low, high), prompter);
        return std::nullopt;
    }
    return value;
}

} // namespace ui
