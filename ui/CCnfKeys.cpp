#include "ui/CCnfKeys.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLabel>
#include <QSignalBlocker>

#include "engine/GpsEngine.h"
#include "ui/ConfigControls.h"

namespace {

void fill(QComboBox& list, int32_t key, bool keyLibrary) {
    const QSignalBlocker quiet(list);
    list.clear();
    for (const data::HotKey& k : data::offeredHotKeys(keyLibrary))
        list.addItem(QString::fromLatin1(data::hotKeyName(k, keyLibrary)), k.key);
    int position = data::hotKeyPosition(key, keyLibrary);
    if (position < 0) {
        // Choosing it again keeps the stored code.
        list.addItem(QString::fromLatin1(data::kNoKeyName), key);
        position = list.count() - 1;
    }
    list.setCurrentIndex(position);
}

} // namespace

CCnfKeys::CCnfKeys(ui::ConfigContext& context, QWidget* parent)
    : ui::ConfigPage(context, parent),
      markKey_(ui::configList(QStringLiteral("Mark Key"), {}, this)),
      wedgeKey_(ui::configList(QStringLiteral("Wedge Key"), {}, this)) {
    auto* form = new QFormLayout(this);
    form->addRow(ui::configCaption(QStringLiteral("Mark Key"), markKey_, this), markKey_);
    form->addRow(ui::configCaption(QStringLiteral("Wedge Key"), wedgeKey_, this), wedgeKey_);
    connect(markKey_, &QComboBox::activated, this,
            [this](int index) { choose(data::HotKeyFunction::Mark, *markKey_, index); });
    connect(wedgeKey_, &QComboBox::activated, this,
            [this](int index) { choose(data::HotKeyFunction::Wedge, *wedgeKey_, index); });
}

void CCnfKeys::load() {
    keys_ = data::hotKeysOf(settings());
    showKeys();
}

void CCnfKeys::showKeys() {
    fill(*markKey_, keys_.markKey, context().hardwareKeys);
    fill(*wedgeKey_, keys_.wedgeKey, context().hardwareKeys);
}

void CCnfKeys::choose(data::HotKeyFunction function, const QComboBox& list, int index) {
    if (!acceptEdit()) return;
    data::chooseHotKey(keys_, function, list.itemData(index).toInt(), context().hardwareKeys);
    // The other list may have taken this function's previous key.
    showKeys();
}

void CCnfKeys::apply() {
    data::storeHotKeys(keys_, settings());
}
