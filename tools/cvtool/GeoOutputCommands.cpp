#include "CliSupport.h"
#include "GeoCommands.h"

namespace cvtool {

int geoWmm(int, char**) { return usageError("this command is not available yet"); }
int geoNav(int, char**) { return usageError("this command is not available yet"); }
int geoFormat(int, char**) { return usageError("this command is not available yet"); }

} // namespace cvtool
