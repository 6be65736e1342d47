#pragma once
// The configuration sheet: its pages as tabs, OK and Cancel. Made once and kept; every showing
// loads the pages from the engine again, so values edited and cancelled are forgotten. After OK
// the main window calls apply(), which hands the pages to the engine in their apply order.

#include <QDialog>
#include <vector>

#include "ui/ConfigPage.h"

class QTabWidget;

namespace engine {
struct Settings;
}

class CMyProp : public QDialog {
    Q_OBJECT
public:
    explicit CMyProp(ui::ConfigContext& context, QWidget* parent = nullptr);

    // Adds a page as the next tab; pages are applied in ascending applyRank.
    void addPage(ui::ConfigPage* page, const QString& title, int applyRank);

    // The title by the write protection, and every page loaded from the engine.
    void reinitialise();
    // The pages' values into the engine, in their apply order.
    void apply();

    // "Configuration", or "Configuration - Settings are read only" while cv.ini is protected.
    static QString titleFor(const engine::Settings& settings);

    QTabWidget* tabs() const { return tabs_; }

private:
    struct Page {
        ui::ConfigPage* page;
        int applyRank;
    };
    ui::ConfigContext& context_;
    QTabWidget* tabs_;
    std::vector<Page> pages_;
};
