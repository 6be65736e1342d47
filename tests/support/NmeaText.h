#pragma once
// NMEA text helpers for the tests: building sentences with their checksum and checking what a
// producer wrote.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace testsupport {

// "$<body>*HH\r\n" with the checksum of body.
inline std::string nmea(std::string_view body, bool lowerCaseChecksum = false) {
    unsigned sum = 0;
    for (char c : body)
        sum ^= static_cast<unsigned char>(c);
    char hex[3];
    std::snprintf(hex, sizeof hex, lowerCaseChecksum ? "%02x" : "%02X", sum);
    return "$" + std::string(body) + "*" + hex + "\r\n";
}

// True when the sentence (without its line end) carries the checksum of its body.
inline bool checksumValid(const std::string& s) {
    size_t star = s.rfind('*');
    if (s.empty() || s[0] != '$' || star == std::string::npos || star + 3 != s.size()) return false;
    unsigned sum = 0;
    for (size_t i = 1; i < star; ++i)
        sum ^= static_cast<unsigned char>(s[i]);
    return std::strtoul(s.substr(star + 1).c_str(), nullptr, 16) == sum;
}

// Splits CR LF terminated lines; text that does not end in CR LF, or a bare CR or LF inside a
// line, fails the calling test.
inline std::vector<std::string> crlfLines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    size_t end = 0;
    while ((end = text.find("\r\n", start)) != std::string::npos) {
        out.push_back(text.substr(start, end - start));
        EXPECT_EQ(out.back().find_first_of("\r\n"), std::string::npos) << out.back();
        start = end + 2;
    }
    EXPECT_EQ(start, text.size()) << "unterminated: " << text.substr(start);
    return out;
}

} // namespace testsupport
