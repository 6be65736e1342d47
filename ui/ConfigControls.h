#pragma once
// Controls of the configuration pages, each named for screen readers by its label's text.

#include <QString>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QLabel;
class QWidget;

namespace ui {

// A drop-down list with these entries.
QComboBox* configList(const QString& name, const QStringList& items, QWidget* parent);
// A check box showing text.
QCheckBox* configCheck(const QString& text, QWidget* parent);
// The caption in front of control, which it names.
QLabel* configCaption(const QString& text, QWidget* control, QWidget* parent);
// A line of text on the page, such as its heading.
QLabel* configText(const QString& text, QWidget* parent);

// Shows a value without it counting as the user's edit.
void showIndex(QComboBox& list, int index);
void showChecked(QCheckBox& box, bool checked);

} // namespace ui
