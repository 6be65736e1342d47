#pragma once
// An engine for the screens' tests: manual clock, recording prompter, and a parser emptied of
// what earlier tests fed it (the parser is one per process).

#include "engine/Dgps.h"
#include "engine/GpsEngine.h"
#include "platform/Clock.h"
#include "platform/Prompter.h"

#include <string>

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
