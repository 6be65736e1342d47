#pragma once
// Conversions between the 16-bit text of the records (UTF-16) and the 8-bit text of files and
// terminals (UTF-8).

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// UTF-8 of 16-bit text up to its terminator; "" for nullptr. An unpaired surrogate becomes U+FFFD.
std::string toUtf8(const char16_t* text);
std::string toUtf8(std::u16string_view text);

// Writes text as UTF-16 into out, NUL-terminated, cut to capacity - 1 code units without splitting
// a surrogate pair. Bytes that are not valid UTF-8 become U+FFFD. Returns the units written.
std::size_t fromUtf8(std::string_view text, char16_t* out, std::size_t capacity);

} // namespace platform
