#include "CliSupport.h"
#include "Commands.h"

namespace cvtool {

int cmdGeo(int, char**) { return usageError("this command is not available yet"); }

} // namespace cvtool
