#pragma once
// The "HotKeys" page of the configuration sheet: the device keys that start a mark and the
// keyboard wedge. The keys offered and their names depend on the device's key library; the two
// functions never share a key.

#include "data/HotKeyChoice.h"
#include "ui/ConfigPage.h"

class QComboBox;

class CCnfKeys : public ui::ConfigPage {
    Q_OBJECT
public:
    explicit CCnfKeys(ui::ConfigContext& context, QWidget* parent = nullptr);

    void load() override;
    void apply() override;

private:
    // Both lists from the page's keys; a code not offered is shown as "No key!".
    void showKeys();
    void choose(data::HotKeyFunction function, const QComboBox& list, int index);

    QComboBox* markKey_;
    QComboBox* wedgeKey_;
    data::HotKeyAssignment keys_; // the page's copy
};
