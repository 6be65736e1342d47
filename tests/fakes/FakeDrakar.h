#pragma once
// Steering of the fake libdrakar.so; the test holds the library open so this outlives unloads.

#include "engine/DrakarApi.h"

struct FakeDrakarState {
    int findResult = 0;              // DkFindBtComPort's result
    const char16_t* port = u"COM6:"; // the port it reports, of five characters
    int requestResult = 0;           // DkRequestStackEvents' result
    int deinitCalls = 0;
    CorvaneStackWindow* window = nullptr;
};
