#include <QApplication>

#include "app/CLCReaderApp.h"
#include "app/StartupOptions.h"

int main(int argc, char** argv) {
    // Answered without a window (and without needing a display).
    if (const auto code = lc::StartupOptions::Answer(argc, argv, stdout)) return *code;
    QApplication application(argc, argv);
    lc::CLCReaderApp app;
    if (!app.InitInstance(QApplication::arguments())) return 1;
    return app.ExitInstance(QApplication::exec());
}
