// What the preview shows is what it saves: a file saved from the preview holds the pages and rows the
// preview was laid out from, even when the club's rows and the date have changed since it opened.
#include "TAppClub.h"
#include "TestFiles.h"

#include "DateTime.h"
#include "ExtraFilters.h"
#include "ReportWindows.h"
#include "RowFormats.h"
#include "TBandedReport.h"
#include "TFilterLibrary.h"
#include "TPreviewWindow.h"
#include "TRadioGroup.h"
#include "TReportSaver.h"
#include "TbrmIniFile.h"
#include "TfrmActivityRep.h"
#include "CreateForm.h"

#include <QPointer>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The PDF's creation date is the only part that may differ between two runs.
QByteArray WithoutCreationDate(QByteArray bytes)
{
    static const QRegularExpression date(QStringLiteral("/CreationDate \\(D:[0-9]*\\)"));
    return QString::fromLatin1(bytes).remove(date).toLatin1();
}

const TFilterEntry& PdfFilter()
{
    for (const TFilterEntry& entry : FilterLibrary().Entries()) {
        if (entry.FileExtension.compare(QLatin1String("PDF"), Qt::CaseInsensitive) == 0)
            return entry;
    }
    throw std::runtime_error("no PDF filter");
}

} // namespace

TEST(PreviewSave, SavesThePreviewedRowsAndDateAfterTheClubChanged)
{
    TAppClub club;
    RegisterExtraFilters();
    club.AddActivity(3, QStringLiteral("Karate"));
    // Enough members for several pages, so the preview is still laying out when the club changes.
    for (int lead = 1; lead <= 150; ++lead) {
        club.AddPerson(lead, 100 + lead, QStringLiteral("Name%1").arg(lead, 3, 10, QLatin1Char('0')),
                       QStringLiteral("First"));
        club.Enrol(lead, 3, QDate(2010, 3, 1), 5);
    }
    SuiteIni();
    const auto window = CreateForm<TfrmActivityRep>();
    window->FormShow();
    window->rgDateRange->SetItemIndex(7);
    const QString folder = club.Folder() + QLatin1Char('/');

    // The report as it stands when the preview opens, exported directly.
    window->OpenReportQuery();
    ASSERT_TRUE(window->Report().ExportTo(*PdfFilter().Create(folder + QStringLiteral("before.pdf"))));
    window->OpenReportQuery();
    ASSERT_TRUE(window->Report().ExportRowsTo(*FindRowFormat(QStringLiteral("csv"))->Create(folder + QStringLiteral("before.csv"))));

    window->OpenReportQuery();
    QPointer<TPreviewWindow> preview = ShowPreview(window->Report());
    ASSERT_TRUE(preview);
    ASSERT_TRUE(preview->LayingOut());

    // Another workstation enrols a member who sorts first, and midnight passes.
    club.AddPerson(900, 900, QStringLiteral("Aaron"), QStringLiteral("First"));
    club.Enrol(900, 3, QDate(2010, 3, 2), 5);
    SetClock([] { return QDateTime(TAppClub::Today.addDays(1), QTime(0, 5), Qt::UTC); });

    const QStringList choices = TReportSaver::NameFilters();
    for (const char* extension : {"pdf", "csv"}) {
        SCOPED_TRACE(extension);
        const QString name = QString::fromLatin1(extension);
        const int choice = int(std::find_if(choices.begin(), choices.end(),
                                            [&](const QString& c) { return c.endsWith(QStringLiteral("*.%1)").arg(name), Qt::CaseInsensitive); })
                               - choices.begin());
        ASSERT_LT(choice, choices.size());
        preview->SaveDialog = [&](QString& fileName, int& chosen) {
            fileName = folder + QStringLiteral("saved.") + name;
            chosen = choice;
            return true;
        };
        preview->SaveReport();
        EXPECT_EQ(WithoutCreationDate(ReadFile(folder + QStringLiteral("saved.") + name)),
                  WithoutCreationDate(ReadFile(folder + QStringLiteral("before.") + name)));
    }
    EXPECT_TRUE(club.Prompt.Warnings.isEmpty()) << qPrintable(club.Prompt.Warnings.join(QLatin1Char('\n')));

    // The club did change: the report run again now holds the new member and the new day.
    window->OpenReportQuery();
    ASSERT_TRUE(window->Report().ExportRowsTo(*FindRowFormat(QStringLiteral("csv"))->Create(folder + QStringLiteral("after.csv"))));
    EXPECT_TRUE(ReadFile(folder + QStringLiteral("after.csv")).contains("Aaron"));
    EXPECT_FALSE(ReadFile(folder + QStringLiteral("saved.csv")).contains("Aaron"));
    preview->close();
}
