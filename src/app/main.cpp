#include <QApplication>

#include "app/CLCReaderApp.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    lc::CLCReaderApp app;
    if (!app.InitInstance(QApplication::arguments())) return 1;
    return app.ExitInstance(QApplication::exec());
}
