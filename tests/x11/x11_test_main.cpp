#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

// The xcb platform, whatever the caller's environment says: what these tests look at is how
// that platform's event loop delivers notifications. Without a display nothing is created
// and the tests skip.
int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    QTemporaryDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    std::unique_ptr<QApplication> app;
    const char* display = std::getenv("DISPLAY");
    if (display && *display)
        app = std::make_unique<QApplication>(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
