// Registry file reader: any input is either refused or read into contents whose written form
// reads back to the same contents.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/RegistryFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto contents = platform::RegistryFile::parse(text);
    if (!contents) return 0;
    std::string written = contents->serialize();
    auto again = platform::RegistryFile::parse(written);
    if (!again || again->serialize() != written) std::abort();
    return 0;
}
