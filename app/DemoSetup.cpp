#include "DemoSetup.h"

#include "EDatabaseError.h"
#include "TCommandLine.h"
#include "TDemoDatabase.h"
#include "TIniDocument.h"
#include "TextFunctions.h"

#include <QDir>
#include <cstdio>

namespace {

const QString DemoWorkstationName = QStringLiteral("Demo_Workstation");

} // namespace

int CreateDemo(const TCommandLine& commandLine)
{
    try {
        TDemoOptions options;
        options.Folder = QDir(commandLine.DemoFolder).absolutePath();
        options.Enrolments = commandLine.Enrolments;
        options.Seed = commandLine.Seed;
        options.Server = commandLine.DemoServer;
        const QStringList existing = ExistingClubFiles(options.Folder);
        if (!existing.isEmpty() && !commandLine.Replace) {
            std::fputs(QStringLiteral("%1 already holds a club (%2); give --replace to write the demo club over it.")
                           .arg(QDir::toNativeSeparators(options.Folder),
                                QDir::toNativeSeparators(existing.join(QStringLiteral(", "))))
                           .toLocal8Bit()
                           .constData(),
                       stderr);
            std::fputc('\n', stderr);
            return 5;
        }
        const QString aliasFile = CreateDemoDatabase(options);

        // Only this machine's registration and the club name: every other workstation's line, every
        // other setting and every workstation and user file stay as they are.
        const QString code = WorkstationCode();
        TIniDocument::Update(options.Folder + QStringLiteral("/Config/VKD.INI"), [&](TIniDocument& ini) {
            bool changed = false;
            if (ini.ReadString(QStringLiteral("General"), QStringLiteral("ClubName")) != DemoClubName()) {
                ini.WriteString(QStringLiteral("General"), QStringLiteral("ClubName"), DemoClubName());
                changed = true;
            }
            if (ini.ReadString(QStringLiteral("WorkStations"), code).isEmpty()) {
                ini.WriteString(QStringLiteral("WorkStations"), code, DemoWorkstationName);
                changed = true;
            }
            return changed;
        });
        std::fputs(QDir::toNativeSeparators(aliasFile).toLocal8Bit().constData(), stdout);
        std::fputc('\n', stdout);
        return 0;
    } catch (const std::exception& e) {
        // The server's messages end in a line break of their own.
        std::fputs(QString::fromUtf8(e.what()).trimmed().toLocal8Bit().constData(), stderr);
        std::fputc('\n', stderr);
        return 4;
    }
}
