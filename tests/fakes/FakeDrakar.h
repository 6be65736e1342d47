#pragma once
// Steering of the fake vendor library (libdrakar.so): a test opens the library itself (keeping
// its state alive across the engine's unloads), sets the answers and reads back the calls.

#include "engine/DrakarApi.h"

struct FakeDrakarState {
    int findResult = 0;              // DkFindBtComPort's result
    const char16_t* port = u"COM6:"; // the port it reports, of five characters
    int requestResult = 0;           // DkRequestStackEvents' result
    int deinitCalls = 0;
    CorvaneStackWindow* window = nullptr;
};
