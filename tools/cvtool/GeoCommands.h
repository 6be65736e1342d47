#pragma once
// The "cvtool geo" sub-commands; each takes its arguments as main does, argv[0] being its name.

namespace cvtool {

int geoDatums(int argc, char** argv); // GeoDatumCommands.cpp
int geoShift(int argc, char** argv);
int geoUtm(int argc, char** argv);
int geoWmm(int argc, char** argv); // GeoOutputCommands.cpp
int geoNav(int argc, char** argv);
int geoFormat(int argc, char** argv);

} // namespace cvtool
