#pragma once
// The owner's side of the link's worker threads, shared by the main window and cvtool: starting
// the reader and the link supervision after a successful start-up, and the orderly stop at exit.

#include "engine/LinkSupervisor.h"
#include "engine/SerialLink.h"

namespace engine {

class GpsEngine;

class LinkThreads {
public:
    explicit LinkThreads(GpsEngine& engine);
    ~LinkThreads(); // stops when still running
    LinkThreads(const LinkThreads&) = delete;
    LinkThreads& operator=(const LinkThreads&) = delete;

    // Sets the run flag, starts the reader and the link supervision thread, and switches the
    // automatic suspend off (the time-outs in force are saved in the engine).
    void start();

    // Exit: closes the port, clears the run flag, joins both threads and restores the saved
    // suspend time-outs (180 and 300 seconds when start never saved any). A port that the
    // supervision reopened while it was being stopped is closed again, so the port is closed
    // when this returns. Without a start it closes the port and restores the time-outs all the
    // same, as an exit does. Does nothing the second time.
    void stop();

private:
    GpsEngine& engine_;
    ReaderThread reader_;
    LinkSupervisor supervisor_;
    bool started_ = false;
    bool stopped_ = false;
};

} // namespace engine
