#pragma once
// The screens' tests: an engine with a manual clock and a recording prompter, and a parser emptied
// of what earlier tests fed it (the parser is one per process); controls found by their names.

#include <QLabel>

#include <string>

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

struct GpsTestEngine {
    platform::ManualClock clock;
    platform::RecordingPrompter prompter;
    engine::GpsEngine engine{clock, prompter};

    GpsTestEngine() { dgps::resetParser(); }
    ~GpsTestEngine() { dgps::resetParser(); }

    void receive(const std::string& bytes) {
        engine.receiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
};

// The control with this accessible name (a value, not the caption that names it).
template <typename T = QWidget> T* named(const QWidget& parent, const char* name) {
    for (T* w : parent.findChildren<T*>()) {
        auto* caption = qobject_cast<QLabel*>(w);
        if (w->accessibleName() == QLatin1String(name) && !(caption && caption->buddy())) return w;
    }
    return nullptr;
}

inline QString textOf(const QWidget& parent, const char* name) {
    const QLabel* label = named<QLabel>(parent, name);
    return label ? label->text() : QStringLiteral("<none>");
}
