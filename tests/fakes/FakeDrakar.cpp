// A stand-in for the vendor's Bluetooth stack library. Built in variants that leave out
// functions (FAKE_DRAKAR_NO_INIT, FAKE_DRAKAR_NO_REQUEST) to exercise the fall-backs.

#include "fakes/FakeDrakar.h"

namespace {
FakeDrakarState state;
}

extern "C" {

__attribute__((visibility("default"))) FakeDrakarState* FakeDrakarGetState() {
    return &state;
}

#ifndef FAKE_DRAKAR_NO_INIT
__attribute__((visibility("default"))) void DrakarInit() {
    ++state.initCalls;
}
#endif

__attribute__((visibility("default"))) int DkFindBtComPort(char16_t* buffer, int size) {
    for (int i = 0; i < size; ++i) {
        buffer[i] = i < 8 ? state.port[i] : u'\0';
        if (i < 8 && state.port[i] == u'\0') break;
    }
    return state.findResult;
}

#ifndef FAKE_DRAKAR_NO_REQUEST
__attribute__((visibility("default"))) int DkRequestStackEvents(CorvaneStackWindow* window,
                                                                unsigned message) {
    ++state.requestCalls;
    state.window = window;
    state.message = message;
    return state.requestResult;
}

__attribute__((visibility("default"))) void DrakarDeinit() {
    ++state.deinitCalls;
}
#endif
}
