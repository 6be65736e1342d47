#pragma once
// Sub-commands of cvtool. Each takes its arguments as a program's main does, argv[0] being its
// own name, and returns an exit status of CliSupport.h.

namespace cvtool {

int cmdNmea(int argc, char** argv);
int cmdSimulate(int argc, char** argv);
int cmdWatch(int argc, char** argv);
int cmdGeo(int argc, char** argv);
int cmdIni(int argc, char** argv);
int cmdReg(int argc, char** argv);
int cmdPort(int argc, char** argv);
int cmdWpt(int argc, char** argv);
int cmdMark(int argc, char** argv);
int cmdConvert(int argc, char** argv);
int cmdServe(int argc, char** argv);
int cmdWedge(int argc, char** argv);

} // namespace cvtool
