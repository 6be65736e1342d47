#pragma once
// The refusal shown for a typed number outside the range a dialog field accepts.

#include <string>

namespace data {

// "Enter a number between %1 and %2." with the bounds written as short as they go ("-360",
// "10000000", "0.5").
std::string numberRangeRefusal(double low, double high);

// True when value lies in [low, high]; NaN never does.
inline bool inInputRange(double value, double low, double high) {
    return value >= low && value <= high;
}

} // namespace data
