#pragma once
// The configuration pages' tests: an engine with a manual clock and a recording prompter, the
// sheet's context, a registry file and an application folder of the test's own, and the user's
// gestures on the pages' controls (found by their accessible names).

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QtTest/QTest>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "support/TestSupport.h"
#include "ui/ConfigPage.h"
#include "ui/GpsTestEngine.h"

struct ConfigPageFixture {
    testsupport::TempDir dir;
    std::optional<std::string> savedRegistry;
    GpsTestEngine gps;
    ui::ConfigContext context{gps.engine, gps.prompter};
    engine::Settings& settings = gps.engine.settings;

    ConfigPageFixture() {
        if (const char* previous = std::getenv("CORVANE_REGISTRY")) savedRegistry = previous;
        setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
        std::strcpy(gps.engine.applicationDirectory, dir.path().c_str());
    }
    ~ConfigPageFixture() {
        if (savedRegistry)
            setenv("CORVANE_REGISTRY", savedRegistry->c_str(), 1);
        else
            unsetenv("CORVANE_REGISTRY");
    }
    std::vector<std::string> messages() const { return gps.prompter.messages(); }
};

inline void choose(QWidget& page, const char* list, const char* entry) {
    auto* box = named<QComboBox>(page, list);
    const int index = box->findText(QString::fromUtf8(entry));
    box->setCurrentIndex(index);
    emit box->activated(index);
}
inline QString chosen(QWidget& page, const char* list) {
    return named<QComboBox>(page, list)->currentText();
}
inline void click(QWidget& page, const char* name) {
    named<QAbstractButton>(page, name)->click();
}
inline bool ticked(QWidget& page, const char* name) {
    return named<QCheckBox>(page, name)->isChecked();
}
// The user types text into a field and leaves it.
inline void typeInto(QWidget& page, const char* field, const char* text) {
    auto* edit = named<QLineEdit>(page, field);
    edit->setText(QString::fromUtf8(text));
    emit edit->editingFinished();
}
inline QString fieldText(QWidget& page, const char* field) {
    return named<QLineEdit>(page, field)->text();
}

// A page's context on a test engine alone (no registry or folder of its own), for the pages that
// need neither.
using Messages = std::vector<std::string>;

struct ConfigEngineFixture : GpsTestEngine {
    ui::ConfigContext context{engine, prompter};
};

inline void choose(QComboBox& list, const char* text) {
    const int index = list.findText(QString::fromUtf8(text));
    ASSERT_GE(index, 0) << text;
    list.setCurrentIndex(index);
    emit list.activated(index);
}

// The user selects the field's text, types text over it and presses Return.
inline void type(QLineEdit& field, const char* text) {
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClicks(&field, QString::fromUtf8(text));
    QTest::keyClick(&field, Qt::Key_Return);
}
