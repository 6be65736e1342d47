#pragma once
/* The C interface between Corvane and the vendor's Bluetooth stack library (libdrakar.so). The
 * library exports the four functions below. Stack events reach the program through the "window"
 * it was given by DkRequestStackEvents: a CorvaneStackWindow whose post function the library
 * calls, from any thread, with the message number it was given and the event code
 * (post(window, message, code)). The window stays valid until DrakarDeinit returns. */

#ifdef __cplusplus
#include <cstdint>
extern "C" {
#else
#include <stdint.h>
#include <uchar.h>
#endif

typedef struct CorvaneStackWindow CorvaneStackWindow;
struct CorvaneStackWindow {
    void (*post)(CorvaneStackWindow* window, unsigned message, unsigned code);
    void* context; /* the program's own; the library leaves it alone */
};

typedef void (*DrakarInitFn)(void);
/* Fills buffer (size 16-bit units, terminated) with the stack's port name, e.g. "COM6:";
 * 0 on success. */
typedef int (*DkFindBtComPortFn)(char16_t* buffer, int size);
/* Asks the stack to post its events to window as message; 0 on success. */
typedef int (*DkRequestStackEventsFn)(CorvaneStackWindow* window, unsigned message);
typedef void (*DrakarDeinitFn)(void);

#ifdef __cplusplus
}
#endif
