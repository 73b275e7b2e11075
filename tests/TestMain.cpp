// Shared main of every test executable: a fixed environment before the application object exists,
// so results never depend on the machine's locale, time zone or display. Folders that open no window
// get a QGuiApplication (TEST_MAIN_GUI_ONLY).
#ifdef TEST_MAIN_GUI_ONLY
#include <QGuiApplication>
using TTestApplication = QGuiApplication;
#else
#include <QApplication>
using TTestApplication = QApplication;
#endif
#include <QLocale>
#include <gtest/gtest.h>
#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    setenv("TZ", "UTC", 1);
    setenv("LC_ALL", "C.UTF-8", 1);
    tzset();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TTestApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
