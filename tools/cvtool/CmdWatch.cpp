#include "CliSupport.h"
#include "Commands.h"

namespace cvtool {

int cmdWatch(int, char**) { return usageError("this command is not available yet"); }

} // namespace cvtool
