// memdemo: reads the running Corvane's raw GPS record through libcvce and shows it.

#include "demo/DemoDialog.h"
#include "demo/MessageBoxMessages.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    MessageBoxMessages messages;
    DemoDialog dialog(messages);
    dialog.exec();
    return 0;
}
