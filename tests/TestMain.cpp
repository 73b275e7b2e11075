// Shared main of every test executable: a fixed environment before the QApplication exists,
// so results never depend on the machine's locale, time zone or display.
#include <QApplication>
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
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
