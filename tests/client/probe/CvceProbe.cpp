// A second client process for the client library's tests:
//   load  loads the library and exits (its unload sets "DLL_MSG")
//   rt    switches raw to real time and reads three updates: exit 0 when all three came
//   hold  opens a raw request as a client does ("GPS_RT" set once) and waits to be killed
#include <unistd.h>

#include <cstring>

#include <cvce.h>

#include "exchange/ExchangeBlock.h"
#include "platform/NamedEvent.h"

int main(int argc, char** argv) {
    const char* mode = argc > 1 ? argv[1] : "";
    if (std::strcmp(mode, "rt") == 0) {
        unsigned long tick;
        double lat, lon, alt, pdop, ehe;
        int quality, read = 0;
        if (SwitchModes(0, 1) == 1)
            while (read < 3 && GetRawRT(tick, lat, lon, alt, pdop, ehe, quality) == 1)
                ++read;
        return read == 3 ? 0 : 1;
    }
    if (std::strcmp(mode, "hold") == 0) {
        auto request = platform::NamedEvent::create(exchange::kEventRawRequest, false);
        if (!request) return 1;
        request->set();
        for (;;)
            pause();
    }
    return std::strcmp(mode, "load") == 0 ? 0 : 2;
}
