#pragma once
// The configuration pages' tests: an engine with a manual clock and a recording prompter, the
// sheet's shared context, a registry file and an application folder of the test's own, and the
// user's gestures on the pages' controls.

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "support/TestSupport.h"
#include "ui/ConfigPage.h"
#include "ui/GpsTestEngine.h"

struct ConfigPageFixture {
    testsupport::TempDir dir;
    std::optional<std::string> savedRegistry;
    GpsTestEngine gps;
    ui::ConfigContext context{gps.engine, gps.prompter};

    ConfigPageFixture() {
        if (const char* previous = std::getenv("CORVANE_REGISTRY")) savedRegistry = previous;
        setenv("CORVANE_REGISTRY", registryPath().c_str(), 1);
        std::strcpy(gps.engine.applicationDirectory, dir.path().c_str());
    }
    ~ConfigPageFixture() {
        if (savedRegistry)
            setenv("CORVANE_REGISTRY", savedRegistry->c_str(), 1);
        else
            unsetenv("CORVANE_REGISTRY");
    }
    std::string registryPath() const { return dir.file("registry.reg"); }
    engine::Settings& settings() { return gps.engine.settings; }
    std::vector<std::string> messages() const { return gps.prompter.messages(); }
};

// The user picks an entry of a drop-down list.
inline void choose(QWidget& page, const char* list, const char* entry) {
    auto* box = named<QComboBox>(page, list);
    ASSERT_NE(box, nullptr) << list;
    const int index = box->findText(QString::fromUtf8(entry));
    ASSERT_GE(index, 0) << entry;
    box->setCurrentIndex(index);
    emit box->activated(index);
}

inline QString chosen(QWidget& page, const char* list) {
    auto* box = named<QComboBox>(page, list);
    return box ? box->currentText() : QStringLiteral("<none>");
}

inline void click(QWidget& page, const char* name) {
    auto* button = named<QAbstractButton>(page, name);
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

inline bool ticked(QWidget& page, const char* name) {
    auto* box = named<QCheckBox>(page, name);
    return box != nullptr && box->isChecked();
}

// The user types text into a field and leaves it.
inline void typeInto(QWidget& page, const char* field, const char* text) {
    auto* edit = named<QLineEdit>(page, field);
    ASSERT_NE(edit, nullptr) << field;
    edit->setText(QString::fromUtf8(text));
    emit edit->editingFinished();
}

inline QString fieldText(QWidget& page, const char* field) {
    auto* edit = named<QLineEdit>(page, field);
    return edit ? edit->text() : QStringLiteral("<none>");
}
