#pragma once
// Sub-commands of cvtool. Each takes the arguments after its own name and returns the exit
// status: 0 success, 1 bad input lines or a failed computation, 2 bad usage or unreadable input.

namespace cvtool {

int cmdNmea(int argc, char** argv);
int cmdSimulate(int argc, char** argv);
int cmdWatch(int argc, char** argv);
int cmdGeo(int argc, char** argv);
int cmdIni(int argc, char** argv);
int cmdReg(int argc, char** argv);

} // namespace cvtool
