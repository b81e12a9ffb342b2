#include <QLocale>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

// Every test runs in one fixed place and time zone so that locale texts are predictable;
// a test that needs another locale sets and restores it itself.
int main(int argc, char** argv) {
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QTemporaryDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
