#include "tests/demo/DemoTestSupport.h"

#include <cstdlib>

namespace demotest {

QApplication& application() {
    static int argc = 1;
    static char name[] = "demo_tests";
    static char* argv[] = {name, nullptr};
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static QApplication app(argc, argv);
    return app;
}

} // namespace demotest
