// memdemo against `cvtool serve` replaying a fixed position: the three ways of reading, the
// switches between them, and a window closed while its real-time worker runs.

#include "demo/DemoDialog.h"
#include "support/NmeaText.h"
#include "support/TestSupport.h"
#include "tests/demo/DemoTestSupport.h"

#include <QPushButton>
#include <QTest>
#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// `cvtool serve` on a directory of its own, running until the object goes away.
class Server {
public:
    explicit Server(const testsupport::TempDir& dir) {
        for (const char* table : {"ellips.dat", "3_param.dat", "7_param.dat", "WMM.COF"})
            std::filesystem::copy_file(testsupport::sourcePath(std::string("share/") + table),
                                       dir.file(table));
        testsupport::writeFile(
            dir.file("fix.nmea"),
            testsupport::nmea("GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,") +
                testsupport::nmea("GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1"));
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            setenv("CORVANE_REGISTRY", dir.file("registry.reg").c_str(), 1);
            execl(CVTOOL_PATH, "cvtool", "serve", "--dir", dir.path().c_str(), "--nmea",
                  dir.file("fix.nmea").c_str(), "--seconds", "100", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        // The server says when its exchange is up.
        pollfd ready{out[0], POLLIN, 0};
        char line[256] = {};
        if (poll(&ready, 1, 20000) == 1) serving_ = read(out[0], line, sizeof line - 1) > 0;
        serving_ = serving_ && std::string(line).starts_with("serving on");
        close(out[0]);
    }
    ~Server() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    bool serving() const { return serving_; }

private:
    pid_t pid_ = -1;
    bool serving_ = false;
};

int count(DemoDialog& dialog) {
    return std::stoi(demotest::field(dialog, "Count").substr(5));
}

TEST(DemoExchange, GetTimedAndRealTimeReadTheServedPosition) {
    testsupport::TempDir dir;
    Server server(dir);
    ASSERT_TRUE(server.serving());
    demotest::RecordingMessages messages;
    auto dialog = std::make_unique<DemoDialog>(messages);
    auto press = [&](const char* name) { demotest::named<QPushButton>(*dialog, name)->click(); };

    // The first fix is published within a few updates; the reads are spaced like a user's.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            press("Get");
            return demotest::field(*dialog, "Quality") == "Q:1" || (QTest::qWait(300), false);
        },
        10000));
    const struct {
        const char* name;
        const char* text;
    } fields[] = {{"Lat", " 48.1173000"}, {"Lon", " 11.5166667"}, {"Elv", " 545.4000000"},
                  {"pdop", " 2.5000000"}, {"Mode", "GET"},        {"Count", "cnt: 0"}};
    for (const auto& field : fields)
        EXPECT_EQ(demotest::field(*dialog, field.name), field.text) << field.name;
    EXPECT_NE(demotest::field(*dialog, "Tic"), "0");

    // A second press ends the first worker and starts counting again.
    for (int round = 0; round < 2; ++round) {
        press("Real Time");
        EXPECT_TRUE(QTest::qWaitFor([&] { return count(*dialog) <= 1; }, 10000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return count(*dialog) >= 3; }, 10000));
        EXPECT_EQ(demotest::field(*dialog, "Mode"), "RT");
    }
    // Leaving real time switches the raw kind back, so the timed reads are answered.
    press("Timed");
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return demotest::field(*dialog, "Mode") == "TIMED"; }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return count(*dialog) >= 2; }, 10000));
    press("Real Time");
    EXPECT_TRUE(QTest::qWaitFor([&] { return count(*dialog) >= 1; }, 10000));
    // Closing the window while its worker reads ends the worker.
    dialog.reset();
    for (const auto& [text, caption] : messages.entries())
        ADD_FAILURE() << caption << ": " << text;
}

} // namespace
