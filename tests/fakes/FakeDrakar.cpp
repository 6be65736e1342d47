// Stand-in for the vendor's Bluetooth stack library, built in variants that leave out functions
// (FAKE_DRAKAR_NO_INIT, FAKE_DRAKAR_NO_REQUEST).

#include "fakes/FakeDrakar.h"

#define EXPORT extern "C" __attribute__((visibility("default")))

static FakeDrakarState state;

EXPORT FakeDrakarState* FakeDrakarGetState() {
    return &state;
}
#ifndef FAKE_DRAKAR_NO_INIT
EXPORT void DrakarInit() {}
#endif
EXPORT int DkFindBtComPort(char16_t* buffer, int size) {
    for (int i = 0; i < size && i < 6; ++i)
        buffer[i] = state.port[i];
    return state.findResult;
}
#ifndef FAKE_DRAKAR_NO_REQUEST
EXPORT int DkRequestStackEvents(CorvaneStackWindow* window, unsigned) {
    state.window = window;
    return state.requestResult;
}
EXPORT void DrakarDeinit() {
    ++state.deinitCalls;
}
#endif
