#include "ui/ConfigControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSignalBlocker>

namespace ui {

QComboBox* configList(const QString& name, const QStringList& items, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setAccessibleName(name);
    list->addItems(items);
    return list;
}

QCheckBox* configCheck(const QString& text, QWidget* parent) {
    auto* box = new QCheckBox(text, parent);
    box->setAccessibleName(text.trimmed());
    return box;
}

QLabel* configCaption(const QString& text, QWidget* control, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    label->setBuddy(control);
    return label;
}

QLabel* configText(const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setAccessibleName(text);
    label->setWordWrap(true);
    return label;
}

void showIndex(QComboBox& list, int index) {
    const QSignalBlocker quiet(list);
    list.setCurrentIndex(index);
}

void showChecked(QCheckBox& box, bool checked) {
    const QSignalBlocker quiet(box);
    box.setChecked(checked);
}

} // namespace ui
