#pragma once
// Input handling shared by the "cvtool geo" sub-commands: blank-separated numbers on a line, and
// the datum tables from the --dir directory.

#include <string_view>

#include "geodesy/DatumTable.h"

namespace cvtool {

// Reads up to max blank-separated numbers into values and their number into count; false when a
// field is not a finite number as a whole or there are more than max.
bool parseNumbers(std::string_view line, double* values, int max, int& count);

// Exactly count blank-separated numbers.
bool parseExactly(std::string_view line, double* values, int count);

// Removes the first blank-separated field from line and returns it (empty when there is none).
std::string_view takeField(std::string_view& line);

// Loads the ellipsoid and datum tables from the directory argument (see tableDirectory); on
// failure prints one line on stderr and returns false.
bool loadDatumTables(const char* dirArgument, geodesy::DatumTable& table);

} // namespace cvtool
