#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>

// Widgets need an application object; the offscreen platform keeps them off any display.
int main(int argc, char** argv) {
    setenv("TZ", "Europe/Paris", 1);
    tzset();
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QTemporaryDir runtime;
    setenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit().constData(), 1);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
