// One club after another share the process: whatever a test changed of the process-wide settings and
// seams must be back as a fresh process has it once the club is gone, or the next test runs with the
// previous one's clock, user, filters or printer.
#include "TAppClub.h"

#include "AccessRights.h"
#include "Application.h"
#include "DateTime.h"
#include "ExportThreads.h"
#include "ExtraFilters.h"
#include "ProcessState.h"
#include "TExtraOptions.h"
#include "TFilterLibrary.h"
#include "TIniDocument.h"
#include "TOutputGuard.h"
#include "TPrompt.h"
#include "TSession.h"
#include "TUserInfo.h"
#include "TbrmIniFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QThread>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct TStateCase
{
    const char* Name;
    std::function<void()> Change;
    std::function<bool()> Fresh;
};

TScriptedPrompt g_otherPrompt;

const QList<TStateCase>& StateCases()
{
    static const QList<TStateCase> cases = {
        {"clock", [] { SetClock([] { return QDateTime(QDate(2001, 2, 3), QTime(4, 5), Qt::UTC); }); },
         [] { return ToQDate(Date()) != QDate(2001, 2, 3); }},
        {"short date format", [] { SetShortDateFormat(QStringLiteral("dd.MM.yyyy")); },
         [] { return ShortDateFormat() == QLatin1String("M/d/yyyy"); }},
        {"date separator", [] { SetDateSeparator(QLatin1Char('.')); }, [] { return DateSeparator() == QLatin1Char('/'); }},
        {"prompt", [] { SetPrompt(&g_otherPrompt); }, [] { return &Prompt() != &g_otherPrompt; }},
        {"current user", [] { SetCurrentUser(std::make_unique<TUserInfo>()); }, [] { return CurrentUser() == nullptr; }},
        {"suite configuration", [] { SuiteIni(); }, [] { return !SuiteIniExists(); }},
        {"stale lock time", [] { TIniDocument::SetStaleLockTime(5); },
         [] { return TIniDocument::LockWaitMsecs() > TIniDocument::DefaultStaleLockMsecs; }},
        {"session", [] { TSession::Instance().SetBusyTimeout(1); },
         [] { return TSession::Instance().BusyTimeout() == TSession::DefaultBusyTimeoutMsecs; }},
        {"filter library", [] { RegisterExtraFilters(); }, [] { return FilterLibrary().Entries().isEmpty(); }},
        {"output guard", [] { TOutputGuard::ProtectFolder(QDir::tempPath(), QStringLiteral("a test's")); },
         [] { return !TOutputGuard::IsProtected(QDir::tempPath() + QStringLiteral("/report.pdf")); }},
        {"extra options", [] { ExtraOptions().PDF.Title = "changed"; }, [] { return ExtraOptions().PDF.Title.isEmpty(); }},
        {"export threads", [] { SetExportThreads(0); }, [] { return ExportThreads() == QThread::idealThreadCount(); }},
        {"first argument", [] { SetFirstArgument(QStringLiteral("7")); }, [] { return FirstArgument().isEmpty(); }},
        {"log-in mode", [] { SetInteractiveLogin(true); }, [] { return !InteractiveLogin(); }},
        {"terminate request",
         [] {
             RequestTerminate(2);
             // The quit it queues would end a later test's event loop.
             QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::MetaCall);
         },
         [] { return !TerminateRequested(); }},
    };
    return cases;
}

} // namespace

TEST(ProcessState, AFinishedClubPutsEverySettingBack)
{
    for (const TStateCase& state : StateCases()) {
        SCOPED_TRACE(state.Name);
        ResetProcessState();
        ASSERT_TRUE(state.Fresh()) << "not fresh to begin with";
        {
            TAppClub club; // the suite's configuration is read from the club's
            state.Change();
            EXPECT_FALSE(state.Fresh()) << "the change did not take";
        }
        EXPECT_TRUE(state.Fresh()) << "left changed";
    }
}
