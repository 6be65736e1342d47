#include "ui/CnfKeybdWedge.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include "engine/GpsEngine.h"
#include "ui/ValueField.h"

namespace {

QListWidget* namedList(const char* name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setAccessibleName(QString::fromLatin1(name));
    return list;
}

} // namespace

CnfKeybdWedge::CnfKeybdWedge(ui::ConfigContext& context, QWidget* parent)
    : ConfigPage(context, parent), available_(namedList("Available Data Items", this)),
      selected_(namedList("Selected Data Items", this)),
      itemsLeft_(new ui::ValueField(QString(), QStringLiteral("Items Left"), this)),
      raw_(new QCheckBox(QStringLiteral("Raw Data"), this)), separator_(new QComboBox(this)) {
    for (const exchange::WedgeChoice& item : exchange::kWedgeAvailableItems)
        available_->addItem(QString::fromLatin1(item.name));
    for (const exchange::WedgeChoice& key : exchange::kWedgeSeparators)
        separator_->addItem(QString::fromLatin1(key.name));
    raw_->setAccessibleName(raw_->text());
    separator_->setAccessibleName(QStringLiteral("Internal Format"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Available Data Items"), this), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("Selected Data Items"), this), 0, 2);
    grid->addWidget(available_, 1, 0, 4, 1);
    grid->addWidget(selected_, 1, 2, 4, 1);
    const struct {
        const char* text;
        int row;
        int column;
        bool (exchange::WedgeItems::*action)();
    } buttons[] = {{"U", 1, 3, &exchange::WedgeItems::moveUp},
                   {"D", 2, 3, &exchange::WedgeItems::moveDown},
                   {"Del", 3, 3, &exchange::WedgeItems::remove}};
    auto* append = new QPushButton(QStringLiteral("->"), this);
    append->setAccessibleName(append->text());
    grid->addWidget(append, 2, 1);
    connect(append, &QPushButton::clicked, this,
            [this] { edited(items_->append(available_->currentRow())); });
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromLatin1(b.text), this);
        button->setAccessibleName(button->text());
        grid->addWidget(button, b.row, b.column);
        connect(button, &QPushButton::clicked, this,
                [this, action = b.action] { edited(((*items_).*action)()); });
    }
    grid->addWidget(itemsLeft_, 5, 2);
    grid->addWidget(raw_, 6, 0);
    auto* separatorCaption = new QLabel(QStringLiteral("Internal Format"), this);
    separatorCaption->setBuddy(separator_);
    grid->addWidget(separatorCaption, 7, 0);
    grid->addWidget(separator_, 7, 2);

    connect(selected_, &QListWidget::currentRowChanged, this,
            [this](int row) { items_->choose(row); });
    connect(raw_, &QCheckBox::clicked, this, [this](bool on) {
        items_->setRawData(on);
        edited(items_->changed());
    });
    connect(separator_, &QComboBox::activated, this, [this](int index) {
        items_->chooseSeparator(index);
        edited(items_->changed());
    });
    load();
}

void CnfKeybdWedge::load() {
    items_.emplace(settings(), prompter());
    showItems();
}

void CnfKeybdWedge::apply() {
    items_->applyTo(settings());
}

void CnfKeybdWedge::edited(bool changed) {
    if (changed) engine().settingsChanged = 1;
    showItems();
}

void CnfKeybdWedge::showItems() {
    const QSignalBlocker quietList(selected_);
    const QSignalBlocker quietSeparator(separator_);
    selected_->clear();
    for (int i = 0; i < items_->count(); ++i)
        selected_->addItem(QString::fromStdString(items_->name(i)));
    selected_->setCurrentRow(items_->chosen());
    itemsLeft_->setValue(QString::fromStdString(items_->itemsLeftText()));
    raw_->setChecked(items_->rawData());
    separator_->setCurrentIndex(items_->separatorIndex());
}
