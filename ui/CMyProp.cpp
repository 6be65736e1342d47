#include "ui/CMyProp.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "engine/GpsEngine.h"

CMyProp::CMyProp(ui::ConfigContext& context, QWidget* parent)
    : QDialog(parent), context_(context), tabs_(new QTabWidget(this)) {
    tabs_->setAccessibleName(QStringLiteral("Pages"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    for (QAbstractButton* b : buttons->buttons())
        b->setAccessibleName(b->text().remove(QLatin1Char('&')));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addWidget(buttons);
}

void CMyProp::addPage(ui::ConfigPage* page, const QString& title, int applyRank) {
    page->setAccessibleName(title);
    tabs_->addTab(page, title);
    pages_.push_back({page, applyRank});
}

void CMyProp::reinitialise() {
    setWindowTitle(titleFor(context_.engine.settings));
    setAccessibleName(windowTitle());
    context_.portChanged = false;
    context_.memExchangeToggled = false;
    for (const Page& p : pages_)
        p.page->load();
    tabs_->setCurrentIndex(0);
}

void CMyProp::apply() {
    std::vector<Page> ordered = pages_;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Page& a, const Page& b) { return a.applyRank < b.applyRank; });
    for (const Page& p : ordered)
        p.page->apply();
}

QString CMyProp::titleFor(const engine::Settings& settings) {
    return settings.Protected != 0 ? QStringLiteral("Configuration - Settings are read only")
                                   : QStringLiteral("Configuration");
}
