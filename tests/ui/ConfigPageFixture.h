#pragma once
// The configuration pages' tests: a page's context on a test engine, and edits made as the user
// makes them (a choice from a list, a typed number finished with Return).

#include <QComboBox>
#include <QLineEdit>
#include <QtTest/QTest>

#include "GpsTestEngine.h"
#include "ui/ConfigPage.h"

using Messages = std::vector<std::string>;

struct ConfigPageFixture : GpsTestEngine {
    ui::ConfigContext context{engine, prompter};
};

inline void choose(QComboBox& list, const char* text) {
    const int index = list.findText(QString::fromUtf8(text));
    ASSERT_GE(index, 0) << text;
    list.setCurrentIndex(index);
    emit list.activated(index);
}

inline void type(QLineEdit& field, const char* text) {
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClicks(&field, QString::fromUtf8(text));
    QTest::keyClick(&field, Qt::Key_Return);
}
