// Feeds arbitrary bytes to the 7_param.dat reader and shifts through every datum that comes out.

#include "DatumFileFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzfiles::fuzzDatumFile("7_param.dat", "3_param.dat", data, size);
}
