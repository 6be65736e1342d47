// corvane: the GPS data-collection program.

#include "ui/CorvaneApp.h"

int main(int argc, char** argv) {
    return ui::CorvaneApp::run(argc, argv);
}
