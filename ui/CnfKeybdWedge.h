#pragma once
// The "Keyboard" page: the keyboard wedge's sequence ("Available Data Items", "->", "Selected Data
// Items", "U", "D", "Del", "Items Left:%d"), "Raw Data" and the "Internal Format" separator. The
// rules are exchange::WedgeItems'; the page shows its state after every button.

#include <optional>

#include "exchange/WedgeItems.h"
#include "ui/ConfigPage.h"

class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
namespace ui {
class ValueField;
}

class CnfKeybdWedge : public ui::ConfigPage {
    Q_OBJECT
public:
    explicit CnfKeybdWedge(ui::ConfigContext& context, QWidget* parent = nullptr);

    void load() override;
    void apply() override;

private:
    // Shows the page's state; an edit that changed it marks the settings as changed.
    void edited(bool changed);
    void showItems();

    std::optional<exchange::WedgeItems> items_;
    QListWidget* available_;
    QListWidget* selected_;
    ui::ValueField* itemsLeft_;
    QCheckBox* raw_;
    QComboBox* separator_;
};
