// activityrep-bench: the performance benchmark of the activity report. See --help.
#include "BenchDriver.h"
#include "BenchMeasure.h"
#include "BenchOptions.h"
#include "DateTime.h"
#include "EExportError.h"
#include "ExtraFilters.h"

#include <QApplication>
#include <cstdio>
#include <exception>

namespace {

void PrintLine(FILE* stream, const QString& text)
{
    std::fputs((text + QLatin1Char('\n')).toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char* argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    TBenchOptions options;
    try {
        options = ParseBenchOptions(arguments);
    } catch (const TBenchUsageError& error) {
        PrintLine(stderr, QStringLiteral("activityrep-bench: ") + error.Message);
        return 1;
    }
    if (options.Mode == bmHelp) {
        PrintLine(stdout, BenchUsageText());
        return 0;
    }

    // The preview is measured on the offscreen platform; nothing here needs a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    SetShortDateFormat(QStringLiteral("M/d/yyyy"));
    SetDateSeparator(SystemDateSeparator());
    RegisterExtraFilters();

    if (options.Mode == bmRun)
        return RunBenchmark(options, QCoreApplication::applicationFilePath());
    try {
        PrintLine(stdout, MeasurementLine(Measure(options)));
        return 0;
    } catch (const EExportError& error) {
        PrintLine(stderr, error.Message());
        return ecMeasureRefused;
    } catch (const std::exception& error) {
        PrintLine(stderr, QString::fromUtf8(error.what()));
        return ecMeasureFailed;
    }
}
