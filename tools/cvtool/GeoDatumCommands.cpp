#include "CliSupport.h"
#include "GeoCommands.h"

namespace cvtool {

int geoDatums(int, char**) { return usageError("this command is not available yet"); }
int geoShift(int, char**) { return usageError("this command is not available yet"); }
int geoUtm(int, char**) { return usageError("this command is not available yet"); }

} // namespace cvtool
