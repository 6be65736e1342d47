#pragma once
// Steering of the fake vendor Bluetooth library (libdrakar.so) built for the tests. A test opens
// the library itself (which also keeps its state alive across the engine's unloads), fills the
// state and reads back what the engine called.

#include "engine/DrakarApi.h"

extern "C" {

struct FakeDrakarState {
    int findResult = 0;          // DkFindBtComPort's result
    char16_t port[8] = u"COM6:"; // the port it reports
    int requestResult = 0;       // DkRequestStackEvents' result
    int initCalls = 0, deinitCalls = 0, requestCalls = 0;
    CorvaneStackWindow* window = nullptr;
    unsigned message = 0;
};

// Exported by the library under this name.
typedef FakeDrakarState* (*FakeDrakarStateFn)(void);
}
