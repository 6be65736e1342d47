#pragma once
// Helpers of the demo's tests: a message record and controls found by their accessible names.

#include "demo/DemoMessages.h"

#include <QLineEdit>
#include <QString>
#include <gtest/gtest.h>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace demotest {

// Keeps the messages in the order shown; the worker thread reports from its own thread.
class RecordingMessages final : public DemoMessages {
public:
    using Entry = std::pair<std::string, std::string>; // text, caption
    void message(std::string_view text, std::string_view caption) override {
        std::lock_guard lock(mutex_);
        entries_.emplace_back(text, caption);
    }
    std::vector<Entry> entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<Entry> entries_;
};

// The one widget of type T with this accessible name (fails the test when there is none).
template <typename T> T* named(QWidget& parent, const char* name) {
    T* found = nullptr;
    for (T* widget : parent.findChildren<T*>())
        if (widget->accessibleName() == QLatin1String(name)) {
            EXPECT_EQ(found, nullptr) << "two controls named " << name;
            found = widget;
        }
    if (!found) ADD_FAILURE() << "no control named " << name;
    return found;
}

inline std::string field(QWidget& parent, const char* name) {
    QLineEdit* edit = named<QLineEdit>(parent, name);
    return edit ? edit->text().toStdString() : std::string();
}

} // namespace demotest
