#pragma once
// What the demo's logic needs from its window: show the fields, run the one-second timer, and
// let the worker thread ask for a refresh on the window's own thread.

#include <string>

struct DemoFields {
    std::string tick;
    std::string quality;
    std::string latitude;
    std::string longitude;
    std::string altitude;
    std::string pdop;
    std::string ehe;
    std::string mode;
    std::string count;
};

class DemoHost {
public:
    virtual ~DemoHost() = default;
    // Window thread only.
    virtual void showFields(const DemoFields& fields) = 0;
    virtual void setTimerRunning(bool running) = 0;
    // Worker thread: queue a call of DemoClient::refreshFromWorker on the window thread and
    // return at once.
    virtual void postRefresh() = 0;
};
