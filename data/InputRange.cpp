#include "data/InputRange.h"

#include <cstdio>

namespace data {

std::string numberRangeRefusal(double low, double high) {
    char text[96];
    std::snprintf(text, sizeof text, "Enter a number between %.15g and %.15g.", low, high);
    return text;
}

} // namespace data
