// cvtool run as a program: the wiring of every command, its output format and exit status.

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "support/NmeaText.h"
#include "support/TestSupport.h"

namespace {

using testsupport::runCvtool;

// Contents of Case::files with a meaning of their own.
const std::string kFifo = "<fifo>"; // a FIFO
const std::string kCopy = "@";      // "@share/ellips.dat": a copy of a file of the project
const std::string kLink = "->";     // "->gone/cv.ini": a symbolic link into the case's folder
const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kWptHeader =
    "TALPA-Internal Data File, modification may cause Corvane to read this data file erroneously.";
// One entered point, for the conversion.
const std::string kPlainWpt = kWptHeader + "\n2024/5/1,14: 5: 3,1,Gate,40.5,-111.25,1500,1.8,2.5,5,"
                                           "0,0,-1,0,0,40.5,-111.25,1500\n";
const std::string kWpt =
    kWptHeader + "\r\n2026/3/7, 9: 5: 3,7,Gate ,1,2,3,1.5,2.25,10,30,90,0,2.5,10,47.5,8.25,400\r\n";
// 10 m at 30 degrees up along grid east: 5 m higher, 8.66 m east and, with the grid's
// convergence there, 0.08 m north.
const std::string kWptWritten =
    kWptHeader + "\n2026/3/7, 9: 5: 3,7,Gate,47.5000007535587869,8.2501149796192905,"
                 "405.0000000000000000,1.500000,2.250000,10,30.000000,90.000000,0,2.500000,"
                 "10.000000,47.5000000000000000,8.2500000000000000,400.0000000000000000\n";
using Files = std::vector<std::pair<std::string, std::string>>;

// The three tables of an application folder, and more files.
Files tables(Files more = {}) {
    for (const char* table : {"ellips.dat", "3_param.dat", "7_param.dat"})
        more.emplace_back(table, "@share/" + std::string(table));
    return more;
}

struct Case {
    std::string args;  // shell syntax; $DIR/ is the case's own folder, $SHARE the tables
    std::string input; // stdin
    std::string out;   // stdout exactly; "...a...b": a, then b, somewhere in this order
    int status;
    std::string err = "";                           // a text stderr holds; "=text": stderr exactly
    Files files = {};                               // made in $DIR/ first
    std::vector<std::string> before = {};           // cvtool runs that must pass
    std::pair<std::string, std::string> after = {}; // a file of $DIR/ then holds (as out)
};

std::string substitute(std::string text, const std::string& dir) {
    for (auto [name, value] : {std::pair<std::string, std::string>{"$DIR/", "'" + dir + "'"},
                               {"$SHARE", "'" + testsupport::sourcePath("share") + "'"}})
        for (size_t at; (at = text.find(name)) != std::string::npos;)
            text.replace(at, name.size(), value);
    return text;
}

void expectOutput(const std::string& out, const std::string& expected) {
    if (expected.rfind("...", 0) != 0) {
        EXPECT_EQ(out, expected);
        return;
    }
    size_t from = 0;
    for (size_t start = 3; start < expected.size();) {
        size_t end = std::min(expected.find("...", start), expected.size());
        std::string part = expected.substr(start, end - start);
        size_t found = out.find(part, from);
        ASSERT_NE(found, std::string::npos) << "missing: " << part << "\nin:\n" << out;
        from = found + part.size();
        start = end + 3;
    }
}

void run(const Case& c) {
    SCOPED_TRACE("cvtool " + c.args);
    testsupport::TempDir dir;
    // No case may reach the user's registry.
    setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
    // Nor type into the desktop of whoever runs the tests.
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "XDG_SESSION_TYPE", "CORVANE_INPUT"})
        unsetenv(name);
    for (const auto& [name, content] : c.files) {
        if (content == kFifo)
            ASSERT_EQ(::mkfifo(dir.file(name).c_str(), 0600), 0);
        else if (content.rfind(kCopy, 0) == 0)
            std::filesystem::copy_file(testsupport::sourcePath(content.substr(1)), dir.file(name));
        else if (content.rfind(kLink, 0) == 0)
            std::filesystem::create_symlink(dir.file(content.substr(2)), dir.file(name));
        else
            testsupport::writeFile(dir.file(name), content);
    }
    for (const auto& args : c.before)
        ASSERT_EQ(runCvtool(substitute(args, dir.path())).status, 0) << args;
    const auto r = runCvtool(substitute(c.args, dir.path()), c.input);
    EXPECT_EQ(r.status, c.status) << r.err;
    expectOutput(r.out, c.out);
    if (c.err.rfind('=', 0) == 0)
        EXPECT_EQ(r.err, c.err.substr(1));
    else
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    if (!c.after.first.empty())
        expectOutput(testsupport::readFile(dir.file(c.after.first)), c.after.second);
    if (c.status == 2) { // bad usage: nothing on stdout, one line on stderr
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

TEST(Cvtool, EveryCommandHasItsHelpAndItsSectionInTheManual) {
    const std::string manual = testsupport::readFile(testsupport::sourcePath("docs/cvtool.md"));
    const auto top = runCvtool("--help");
    for (const char* command : {"nmea", "simulate", "watch", "geo", "geo datums", "geo shift",
                                "geo utm", "geo wmm", "geo nav", "geo format", "ini", "reg", "port",
                                "wpt", "mark", "convert", "serve", "wedge"}) {
        SCOPED_TRACE(command);
        const auto r = runCvtool(std::string(command) + " --help");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out.rfind("usage: cvtool " + std::string(command) + " ", 0), 0u) << r.out;
        EXPECT_NE(manual.find("\n## cvtool " + std::string(command) + "\n"), std::string::npos);
        // The manual quotes the synopsis as the program prints it.
        EXPECT_NE(manual.find(r.out.substr(0, r.out.find("\n\n"))), std::string::npos) << r.out;
        // Listed by the help one level up.
        const std::string name = command + (command[3] == ' ' ? 4 : 0);
        const auto& parent = command[3] == ' ' ? runCvtool("geo -h") : top;
        EXPECT_NE(parent.out.find("\n  " + name + " "), std::string::npos) << parent.out;
    }
}

TEST(Cvtool, CommandsWireTheirArgumentsInputsOutputsAndExitStatuses) {
    // One row per case where it fits.
    // clang-format off
    const std::vector<Case> cases = {
        {"--version", "", "...cvtool (Corvane) ", 0},
        {"", "", "", 2, "cvtool: a command is needed"},
        {"frob", "", "", 2, "unknown command 'frob'"},
        // geo: the tables, then three lines with a bad middle one per bulk command.
        {"geo datums --dir $SHARE", "",
         "...\n3 OGB-7 AA 1 OSGB 1936, GB (7 param)\n...\n230 YAC IN 0 YACARE, Uruguay\n", 0},
        {"geo shift --to OGB-7 --dir $SHARE", "51.5 -0.1 0\r\nnan 0 0\n95 0 10\n",
         "51.4994883352 -0.0983906764 -46.0585 0\tok\nerror: line 2: expected LAT LON H\n"
         "95.0000000000 0.0000000000 10.0000 2048\t0x800 latitude outside -90..90 degrees\n",
         1, "cvtool: line 2: expected LAT LON H\n"},
        {"geo shift --from OGB-7 $DIR/in.txt", "", "51.5000000825 -0.1000000503 0.0222 0\tok\n", 0,
         "", {{"in.txt", "51.4994883352 -0.0983906764 -46.0585"}}},
        {"geo shift --to WGE $DIR/", "", "", 2, "Is a directory"},
        {"geo shift --to WGE a b", "", "", 2, "more than one input file"},
        {"geo shift", "", "", 2},
        {"geo shift --to NOSUCH", "", "", 2, "unknown datum"},
        {"geo shift --to WGE --bogus", "", "", 2, "geo shift: unknown option '--bogus'"},
        {"geo shift --to WGE --dir /nonexistent", "0 0 0\n", "", 2,
         "(status 0x1 ellips.dat cannot be opened)"},
        {"geo utm", "0 3\n60 x\n-0.001 3\n84.1 3\n",
         "31N 0.0000 500000.0000\tok\nerror: line 2: expected LAT LON\n"
         "31M 9999889.4700 500000.0000\tok\n"
         "31Z 9339257.5486 500000.0000\toutside the UTM latitude bands\n", 1},
        {"geo utm --inverse", "31M 9999889.4700 500000.0000\n31N x 1\n99N 0 500000\n",
         "-0.0009999996 3.0000000000\tok\nerror: line 2: expected ZONE NORTHING EASTING\n"
         "0.0000000000 411.0000000000\tzone outside 1..60\n", 1},
        {"geo utm --datum NAS-C", "40 -100\n", "14T 4428026.0390 414637.2957\tok\n", 0},
        {"geo wmm --year 2025.0 --dir $SHARE", "80 0 0\n80 0\n0 120 100\n",
         "1.2815 83.2106 55178.48 1.2815\tok\nerror: line 2: expected LAT LON ALT_KM\n"
         "-0.1463 -15.0757 39032.09 -999.0000\tno grid variation below 55 degrees of latitude\n",
         1},
        {"geo wmm --year 2030.1", "80 0 0\n", "", 1,
         "WMM.COF File outdated for WMM2K Calculations or incorrect system time. "
         "Please update the file or set time.\n"},
        {"geo wmm --year 2026 --dir $DIR/", "80 0 0\n", "", 2, "Error initializing WMM"},
        {"geo nav --dir $SHARE", "0 0 0 1\n0 0 x 1\n0 0 0 1 0.001 0.5\n",
         "111319.4908 90.0000000000\nerror: line 2: expected LAT1 LON1 LAT2 LON2 [LAT LON]\n"
         "-111.3209\n", 1},
        {"geo nav", std::string(5000, '1') + "\n0 0 1 0\n",
         "error: line 1: line longer than 4096 bytes\n111319.4908 360.0000000000\n", 1},
        {"geo nav --dir /nonexistent", "", "", 2, "not a directory"},
        {"geo format --datum wge --format DM --units 0", "0 3 100\n1 2\n-45.5 -0.25 10\n",
         "N 0 0.00000' E 3 0.00000'\t 328.1 ft\nerror: line 2: expected LAT LON ALT\n"
         "S 45 30.00000' W 0 15.00000'\t 32.8 ft\n", 1},
        {"geo format --datum WGE --format DMS --units 4 --style=spaced", "-45.5 -0.25 10\n",
         "\tS 45 30' 0.00\"\tW 0 15' 0.00\"\t10.0 m\n", 0},
        {"geo format --datum WGE --format DD", "", "", 2, "needs --datum"},
        // nmea: one JSON object per decoded sentence.
        {"nmea -", "garbage line\r\n" + kGga +
             "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*48\r\n"
             "$GPGSV,1,1,01,04,45,120,40*4A\r\n",
         "...{\"sentence\":\"$GPGGA\",\"raw\":\"$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,"
         "...\"ggaTick\":2,\"latitude\":48.1173,\"longitude\":11.516666666666667,"
         "...\"satellitesUsed\":8,\"hdop\":0.899999976,...\"diffAge\":-1,\"fixText\":\"x_GPS\"}"
         "...\"satellites\":[],\"otherSatellites\":[]}\n{\"sentence\":\"$GPGSV\"...\"satellites\":[{\"slot\":4,\"prn\":4,"
         "\"azimuth\":120,\"elevation\":45,\"snr\":40,\"used\":0,\"inView\":1,", 0},
        {"nmea", testsupport::nmea("GLGSV,1,1,01,70,47,307,38"),
         "...{\"sentence\":\"$GLGSV\",...\"satellites\":[],\"otherSatellites\":[{\"system\":\"R\","
         "\"prn\":6,\"azimuth\":307,\"elevation\":47,\"snr\":38,\"used\":0,\"inView\":1,"
         "\"lastSeenTick\":1}]}\n",
         0},
        {"nmea", testsupport::nmea("GPVTG,054.7,T,034.4,M,005.5,N\x7f\",010.2,K"),
         "...N\\u007f\\\",010.2...\"speedUnit\":\"N\"", 0},
        {"nmea --ini $DIR/cv.ini $DIR/in.nmea", "",
         "...\"statusText\":\"2D GPS\",\"ehe\":0,\"masked\":true,\"maskCode\":2,"
         "\"maskText\":\"PDOP high\"}\n", 0, "",
         {{"cv.ini", "[Corvane]\nMaskPDOP=Yes\nMaxPDOP=2.0\n"}, {"in.nmea", kGga}}},
        {"nmea --ini $DIR/fifo", kGga, "", 2, "fifo: not a regular file", {{"fifo", kFifo}}},
        {"nmea --ini $DIR/cv.ini", kGga, "", 2, "no such file"},
        // ini: the start-up steps on an application folder.
        {"ini $DIR/", "", "...[Corvane]\n", 0, "\"cv.ini\" file not found - default values used.",
         tables()},
        // A missing cv.ini that cannot be written: the reader's write is the only one.
        {"ini $DIR/", "", "...[Corvane]\n", 0, "=\"cv.ini\" file not found - default values used.\n"
         "\"cv.ini\" file not found - default values used.\n",
         tables({{"cv.ini", "->gone/cv.ini"}})},
        // An existing cv.ini that cannot be read keeps the user's settings: not written back.
        {"ini $DIR/", "", "...[Corvane]\n", 0,
         "=\"cv.ini\" file not found - default values used.\n", tables({{"cv.ini", kFifo}})},
        // Read, normalised and written back; a protected file is only shown.
        {"ini $DIR/", "", "...\nGPSBaud=9600\n...\nEXPTWPT=Yes\n", 0, "=",
         tables({{"cv.ini", "[Corvane]\nEXPTWPT=Yes\nGPSBaud=4800 \n"}}), {},
         {"cv.ini", "...\nGPSBaud=9600\n...\nEXPTWPT=Yes\n"}},
        {"ini $DIR/", "", "...\nGPSBaud=9600\n", 0, "=",
         tables({{"cv.ini", "[Corvane]\nProtected=Yes\nGPSBaud=4800 \n"}}), {},
         {"cv.ini", "[Corvane]\nProtected=Yes\nGPSBaud=4800 \n"}},
        {"ini $DIR/", "", "", 1, "Could not find \"ellipse.dat\" file.\n"},
        // reg: the registry file of $CORVANE_REGISTRY.
        {"reg get 'HKCU\\SOFTWARE\\Varnholt\\Corvane' RPATH", "", "/home/u/corvane/\n", 0, "", {},
         {"reg set 'HKEY_CURRENT_USER\\SOFTWARE\\Varnholt\\Corvane' rpath /home/u/corvane/"}},
        {"reg get 'hkey_local_machine\\system' BattSuspendTimeout", "", "180\n", 0, "", {},
         {"reg set --dword 'HKLM\\System' BattSuspendTimeout 0xB4"}},
        {"reg get 'HKLM\\System' ACSuspendTimeout", "", "600\n", 0, "", {},
         {"reg set 'HKLM\\System' ACSuspendTimeout 600 --dword"}},
        {"reg get 'HKCU\\X' v", "", "", 1, "no value 'v'"},
        {"reg get 'HKCU\\SOFTWARE\\Varnholt\\Corvane' rpath", "", "", 1, "", {},
         {"reg set 'HKCU\\SOFTWARE\\Varnholt\\Corvane' rpath /x/",
          "reg delete 'HKCU\\SOFTWARE\\Varnholt'"}},
        {"reg", "", "", 2},
        {"reg set --dword 'HKCU\\X' v 4294967296", "", "", 2},
        {"reg set --dword 'HKCU\\X' v -1", "", "", 2},
        // port: the port map in the registry file.
        {"port", "", "...COM1: /dev/ttyS0 ...\nCOM2: /dev/null present\nCOM3: /dev/ttyUSB0 "
         "...\nCOM6: tcp://127.0.0.1:2947 network\n...COM9: /dev/ttyS2 ", 0, "", {},
         {"port com2 /dev/null", "port COM6: tcp://127.0.0.1:2947"}},
        {"reg get 'HKLM\\Hardware\\DeviceMap\\SerialComm' COM4:", "", "/dev/ttyX\n", 0, "", {},
         {"port COM4: /dev/ttyX"}},
        {"port COM1: ttyS0", "", "", 2},
        // simulate and watch: options reach the simulator (its stream is checked end to end).
        {"simulate --fast --rate 0", "", "", 2, "expected a rate from 0.1 to 20 Hz"},
        {"simulate --fast --close-after 0", "", "", 2, "positive number of seconds"},
        {"simulate --fast --silence-after 3 --close-after 2", "", "", 2, "must come before"},
        {"watch", "", "...Fix        No Fix", 0},
        {"watch $DIR/", "", "", 2, "Is a directory"},
        {"watch --json -", "", "", 2, "need a port"},
        // mark: an average of 2 stored (EXPTWPT) and exported, the name's comma kept out.
        {"mark --ini $DIR/cv.ini --average 2 --export $DIR/ --store $DIR/w.txt --name a,b -",
         kGga + testsupport::nmea("GPGGA,123520,4807.044,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,"),
         "...{\"storeAllowed\":true,...\"exported\":true,\"fixCount\":2,...\"measured\":{"
         "\"latitude\":48.117350000000002,...\"second\":19,...\"closed\":true}\n", 0, "=",
         {{"cv.ini", "[Corvane]\nEXPTWPT=Yes\n"}}, {},
         {"w.txt", "...\n2000/1/1,12:35:19,1,a;b,48.1173500000000"}},
        {"mark --ini $DIR/cv.ini -", "", "...\"positionReady\":false,", 1, "", {{"cv.ini", ""}}},
        {"mark --ini $DIR/cv.ini --offset 10,400,0 -", "", "", 2,
         "Enter a number between -360 and 360.", {{"cv.ini", ""}}},
        {"mark -", "", "", 2, "--ini FILE is needed"},
        // wedge: the key events of a position; KWDG No or a masked fix types nothing.
        {"wedge --ini $DIR/cv.ini -- -33.5 151.25 25.04", "",
         "down 50 2\nup 50 2\ndown 53 5\nup 53 5\ndown 190 Period\nup 190 Period\n"
         "down 48 0\nup 48 0\ndown 13 Enter\nup 13 Enter\n", 0, "",
         {{"cv.ini", "[Corvane]\nKWDG=Yes\nK_RAW=Yes\nUnits=Metric\nKEYWEDGE=2, 254 13\n"}}},
        {"wedge --ini $DIR/cv.ini 1 2 3", "", "", 1, "the fix is masked",
         {{"cv.ini", "[Corvane]\nKWDG=Yes\nMask3D=Yes\nKEYWEDGE=1, 249\n"}}},
        {"wedge --ini $DIR/cv.ini 1 2 3", "", "", 0, "KWDG is No", {{"cv.ini", "KEYWEDGE=1, 249\n"}}},
        // --mark types whatever the masks say; --type without a graphical session: the events,
        // then the reason.
        {"wedge --ini $DIR/cv.ini --mark --type 1 2 3", "", "...down 78 N\n...down 49 1\n", 1,
         "cannot type: There is no graphical session",
         {{"cv.ini", "[Corvane]\nKWDG=Yes\nMask3D=Yes\nKEYWEDGE=1, 249\n"}}},
        // serve: a replay that cannot be read stops it before anything is shared.
        {"serve --nmea $DIR/none.nmea", "", "", 2, "cannot read"},
        {"serve $DIR/", "", "", 2, "unexpected operand"},
        // convert: the options reach the conversion; its messages on stderr.
        {"convert $DIR/w.txt $DIR/o.txt --format dm --units 1", "", "...1 waypoint written to ...o.txt\n",
         0, "=", {{"w.txt", kPlainWpt}}, {}, {"o.txt", "2024/5/1,14: 5: 3,1,Gate,N,40,30.00000,W,111,"
         "15.00000,1500.000000000000 m,1.800000,2.500000,5,0.000000,0.000000,-1,0.000000,0.000000,"
         "N,40,30.00000,W,111,15.00000,1500.000000000000 m"}},
        {"convert - $DIR/o.gpx --type GPX --datum NOSUCH --altref MSL", kPlainWpt, "...1 waypoint", 0,
         "", {}, {}, {"o.gpx", "...<wpt lat=\"40.5\" lon=\"-111.25\">\n    <ele>1500</ele>"}},
        {"convert - $DIR/o.txt --type tab", kPlainWpt + "x\n", "...1 waypoint", 1,
         "cvtool: line 3: no date and time; the conversion stopped there\n"},
        {"convert $DIR/w.txt $DIR/o.txt --datum NOSUCH", "", "", 2, "unknown datum 'NOSUCH'"},
        {"convert $DIR/w.txt", "", "", 2, "usage: cvtool convert WPTFILE OUT"},
        {"convert $DIR/gone.txt $DIR/o.txt", "", "", 2, "=Failed to open waypoint file.\n"},
        {"convert $DIR/w.txt $DIR/", "", "", 1, "=Failed to create the converted file.\n",
         {{"w.txt", kPlainWpt}}},
        // Start-up stops at the first missing table, with its message.
        {"watch COM5: --json --seconds 1 --dir $DIR/", "", "", 1,
         "=Could not find \"ellipse.dat\" file.\n"},
        // wpt: the store read from a waypoint file, and written back by the program's writer.
        {"wpt $DIR/w.txt", "", "{\"number\":7,\"name\":\"Gate\",\"latitude\":47.5,\"longitude\":"
         "8.25,\"altitude\":400,\"distanceFromHere\":0,\"pdop\":1.5,\"ehe\":2.25,\"offsetSlope\":"
         "30,\"offsetDirection\":90,\"offsetDistance\":10,\"positionCount\":10,\"time\":{\"year\":"
         "2026,\"month\":3,\"dayOfWeek\":0,\"day\":7,\"hour\":9,\"minute\":5,\"second\":3,"
         "\"milliseconds\":0},\"offsetOn\":1,\"declination\":2.5,\"directionRef\":0}\n", 0, "=",
         {{"w.txt", kWpt}}},
        {"wpt --write $DIR/out.txt -", kWpt, "", 0, "=", {}, {}, {"out.txt", kWptWritten}},
        {"wpt $DIR/", "", "", 1, "Error reading waypoint file.\n"},
        {"wpt", "garbage", "", 1, "=Error reading waypoint file.\nstdin: not a waypoint file (the "
         "first line differs)\n"},
    };
    // clang-format on
    for (const Case& c : cases)
        run(c);
}

int count(const std::string& text, const std::string& part) {
    int n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

TEST(Cvtool, SimulatorOptionsReachTheStreamAndWatchShowsIt) {
    auto r = runCvtool("simulate --fast --seconds 2 --rate 4 --start=-33.9,-70.6 --speed 0");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.out, "$GPGGA,"), 8);
    EXPECT_EQ(count(r.out, ",S,0703"), 8 * 2) << r.out; // $GPGGA and $GPRMC south and west
    EXPECT_EQ(count(r.out, "$GPVTG,0.0,T,,M,0.00,N"), 8);

    r = runCvtool("simulate --fast --silence-after 2 --close-after 5");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(count(r.out, "$GPGGA,"), 2) << "silent from the third epoch on, then closed";

    r = runCvtool("watch -", runCvtool("simulate --fast --seconds 3").out);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << "escape codes on a pipe";
    expectOutput(r.out, "...Fix        DGPS     quality 2   3D   selection A\nPosition   48.117"
                        "...Slot  PRN  Elev  Azim  SNR  Used\n...\n  33   48 ");
}

// The simulator on a pseudo-terminal, mapped to COM5:, watched through the program's start-up and
// link threads: a fix, "No new data" once it falls silent, and after it closed the supervision's
// reconnection (port closed, no data) at its second 5000 ms turn; then a clean stop.
TEST(Cvtool, WatchFollowsAPortThroughFixSilenceAndClose) {
    testsupport::TempDir dir;
    setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
    testsupport::applicationFolder(dir);
    const std::string simulate = "'" + std::string(CVTOOL_PATH) +
                                 "' simulate --pty --rate 4 --silence-after 1 --close-after 2.5";
    std::FILE* sim = popen(simulate.c_str(), "r");
    ASSERT_NE(sim, nullptr);
    char path[256] = {};
    ASSERT_NE(std::fgets(path, sizeof path, sim), nullptr);
    ASSERT_EQ(runCvtool("port COM5: " + std::string(path, std::strlen(path) - 1)).status, 0);
    const auto r = runCvtool("watch COM5: --json --seconds 11.5 --dir '" + dir.path() + "'");
    EXPECT_EQ(pclose(sim), 0);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "the reopen attempts cut short by the stop show no message";
    // Each state as it first appears, in order.
    std::vector<std::string> seen;
    for (size_t at = 0, end; (end = r.out.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = r.out.substr(at, end - at);
        ASSERT_EQ(line.rfind("{\"statusText\":", 0), 0u) << line;
        std::string state = line.substr(14, line.find(",\"btStackUp\"") - 14);
        if (line.find("\"quality\":0,") == std::string::npos) state += " fix";
        if (seen.empty() || seen.back() != state) seen.push_back(state);
    }
    // Before the first bytes arrive the status may read "No COM actv." for a refresh or two.
    if (!seen.empty() && seen[0].rfind("\"No COM actv.\"", 0) == 0) seen.erase(seen.begin());
    // Once the simulator's terminal is gone its number may go to another program's new one (a
    // test running beside this one), which the supervision then opens: what follows the
    // reconnection is not this test's.
    for (size_t i = 0; i < seen.size(); ++i)
        if (seen[i].rfind("\"COM auto cn\"", 0) == 0) seen.resize(i + 1);
    EXPECT_EQ(seen, (std::vector<std::string>{
                        R"("3D Diff","portOpen":true,"commOk":true,"dataSeen":true fix)",
                        R"("No new data","portOpen":true,"commOk":true,"dataSeen":true fix)",
                        R"("COM auto cn","portOpen":false,"commOk":true,"dataSeen":false)"}))
        << r.out.substr(0, 2000);
}

} // namespace
