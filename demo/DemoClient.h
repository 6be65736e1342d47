#pragma once
// memdemo's state and its three ways of reading the raw record through libcvce: "Get" (one
// read on request), "Timed" (one read a second) and "Real Time" (a worker thread that reads
// every publication). The window only forwards its buttons, timer and refresh requests here.
//
// Threads: the window thread calls every public function except that the worker runs
// workerLoop. demoLock_ guards the values, the mode and the count; it is recursive because a
// read on the window thread refreshes the fields while it still holds it.

#include "demo/DemoHost.h"
#include "demo/DemoMessages.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

class DemoClient {
public:
    enum Mode { ModeGet = 0, ModeTimed = 1, ModeRealTime = 2 };

    DemoClient(DemoHost& host, DemoMessages& messages);
    // Ends a running worker; the raw kind's mode is left as it is (the library's unloading
    // returns it to on-request).
    ~DemoClient();
    DemoClient(const DemoClient&) = delete;
    DemoClient& operator=(const DemoClient&) = delete;

    // Writes the fields unless another thread holds the lock (then this refresh is skipped).
    void refresh();
    // The window's answer to DemoHost::postRefresh: refresh, then let the worker go on.
    void refreshFromWorker();

    void get();
    void timed();
    void timerTick();
    void realTime();

    // Clears keepRunning and waits for the worker to finish its current read (a read in
    // real-time mode returns at the next publication, every 200 ms while the program runs).
    void stopWorker();

private:
    using RawRead = int (*)(unsigned long&, double&, double&, double&, double&, double&, int&);
    bool readRaw(RawRead read);
    void workerLoop();
    bool leaveRealTime();
    void stopTimer();
    void waitForRefresh();

    DemoHost& host_;
    DemoMessages& messages_;

    std::recursive_mutex demoLock_;
    unsigned long tick_ = 0;
    double latitude_ = 0.0;
    double longitude_ = 0.0;
    double altitude_ = 0.0;
    double pdop_ = 0.0;
    double ehe_ = 0.0;
    int quality_ = 0;
    int demoMode_ = ModeGet;
    int readCount_ = 0;
    bool timerRunning_ = false;

    std::atomic<bool> keepRunning_{false};
    std::thread worker_;

    // The worker's refresh request, answered by refreshFromWorker or given up by stopWorker.
    std::mutex refreshMutex_;
    std::condition_variable refreshDone_;
    bool refreshPending_ = false;
};
