// Feeds arbitrary bytes to the 3_param.dat reader and shifts through every datum that comes out.

#include "DatumFileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzfiles::fuzzDatumFile("3_param.dat", "7_param.dat", data, size);
}
