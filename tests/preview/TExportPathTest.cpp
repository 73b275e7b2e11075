#include "ReportTestSupport.h"
#include "TSavePathTest.h"
#include "ExtraFilters.h"
#include "TExtraFilter.h"
#include "TFilterLibrary.h"
#include "TOutputGuard.h"
#include "TReportSaver.h"
#include "TPrompt.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

// Records the engine's calls instead of writing a file.
class TRecordingFilter : public TExtraFilter
{
public:
    using TExtraFilter::TExtraFilter;
    QString Description() const override { return QStringLiteral("Recording File"); }
    QString FileExtension() const override { return QStringLiteral("REC"); }
    QString DisplayName() const override { return Description(); }

    void StartExport(qint32 width, qint32 height, const TFont&) override
    {
        Calls.append(QStringLiteral("StartExport %1x%2").arg(width).arg(height));
    }
    void OpenPage() override { Calls.append(QStringLiteral("OpenPage")); }
    void AddText(double x, double y, const TFont& font, TColor, int alignment, const QString& text) override
    {
        Calls.append(QStringLiteral("AddText %1,%2 a%3 %4pt %5")
                         .arg(qRound(x * 10))
                         .arg(qRound(y * 10))
                         .arg(alignment)
                         .arg(font.Size)
                         .arg(text));
    }
    void ClosePage() override { Calls.append(LastPage ? QStringLiteral("ClosePage last") : QStringLiteral("ClosePage")); }
    void FinishExport() override { Calls.append(QStringLiteral("FinishExport")); }

    QStringList Calls;
};

// A filter that writes its file and can fail part-way, like a writer hitting its format's limit.
class TFailingFilter : public TExtraFilter
{
public:
    using TExtraFilter::TExtraFilter;
    QString Description() const override { return QStringLiteral("Failing File"); }
    QString FileExtension() const override { return QStringLiteral("FAIL"); }
    QString DisplayName() const override { return Description(); }
    void ClosePage() override
    {
        TStagedFile& page = m_pages.Add(PageFileName(FileName(), int(m_pages.Count()) + 1, true));
        page.Write("partial");
        page.Close();
        if (m_pages.Count() == 2)
            throw std::runtime_error("The report has too many rows for this format.");
    }

private:
    TStagedFileSet m_pages;
};

QStringList Filtered(const QStringList& calls, const QString& prefix)
{
    QStringList result;
    for (const QString& call : calls)
        if (call.startsWith(prefix))
            result.append(call);
    return result;
}

} // namespace

TEST(TReportExport, HandsEveryPageToTheFilterWithAnchoredText)
{
    TMemoryDataSet data;
    data.AddField(QStringLiteral("name"), ftString);
    data.AddRow({QStringLiteral("Ann")});
    TBandedReport report;
    report.SetDataSet(&data);
    TBand* detail = report.AddBand(btDetail, QStringLiteral("Detail"), 23);
    // 96 px = 254 tenths of a millimetre; the margin adds 127.
    detail->AddLabel(QStringLiteral("Left"), 96, 0, QStringLiteral("L"), ArialFont(8), taLeftJustify, true, 96);
    detail->AddLabel(QStringLiteral("Right"), 96, 0, QStringLiteral("R"), ArialFont(8), taRightJustify, true, 96);
    detail->AddLabel(QStringLiteral("Centre"), 96, 96, QStringLiteral("C"), ArialFont(8), taCenter, true, 96);
    detail->AddDataField(QStringLiteral("Name"), 0, 0, QStringLiteral("NAME"), ArialFont(12));
    detail->AddLine(QStringLiteral("Shape"), 0, 10, 100, 1);

    TRecordingFilter filter(QStringLiteral("unused.rec"));
    ASSERT_TRUE(report.ExportTo(filter));
    EXPECT_EQ(filter.Calls, QStringList({
                                QStringLiteral("StartExport 2159x2794"),
                                QStringLiteral("OpenPage"),
                                QStringLiteral("AddText 3810,1270 a0 8pt L"),
                                QStringLiteral("AddText 6350,1270 a1 8pt R"),
                                QStringLiteral("AddText 5080,3810 a2 8pt C"),
                                QStringLiteral("AddText 1270,1270 a0 12pt Ann"),
                                QStringLiteral("ClosePage last"),
                                QStringLiteral("FinishExport"),
                            }));
}

TEST(TReportExport, MarksOnlyTheLastPageWithText)
{
    TActivityFixture f;
    f.AddGroups({60, 60});
    const int pages = f.Report.Generate()->PageCount();
    TRecordingFilter filter(QStringLiteral("unused.rec"));
    ASSERT_TRUE(f.Report.ExportTo(filter));
    const QStringList closes = Filtered(filter.Calls, QStringLiteral("ClosePage"));
    ASSERT_EQ(closes.size(), pages);
    EXPECT_EQ(closes.count(QStringLiteral("ClosePage last")), 1);
    EXPECT_EQ(closes.last(), QStringLiteral("ClosePage last"));
    EXPECT_EQ(Filtered(filter.Calls, QStringLiteral("OpenPage")).size(), pages);
    EXPECT_EQ(filter.Calls.last(), QStringLiteral("FinishExport"));
    EXPECT_TRUE(Filtered(filter.Calls, QStringLiteral("AddText")).last().endsWith(QStringLiteral("Count = 120")));
}

TEST(TReportExport, CancelStopsBeforeFinishing)
{
    TActivityFixture f;
    f.AddGroups({200});
    TRecordingFilter filter(QStringLiteral("unused.rec"));
    int calls = 0;
    EXPECT_FALSE(f.Report.ExportTo(filter, [&](const TReportProgress&) { return ++calls < 2; }));
    EXPECT_FALSE(filter.Calls.contains(QStringLiteral("FinishExport")));
}

TEST_F(TSavePathTest, ListsTheReportFileFirstThenFiltersInRegistrationOrder)
{
    FilterLibrary().RegisterFilterClass(QStringLiteral("TRecordingFilter"), TFilterLibrary::Factory<TRecordingFilter>());
    FilterLibrary().RegisterFilterClass(QStringLiteral("TFailingFilter"), TFilterLibrary::Factory<TFailingFilter>());
    EXPECT_EQ(TReportSaver::NameFilters(),
              QStringList({QStringLiteral("Report File (*.rpt)"), QStringLiteral("Recording File (*.REC)"),
                           QStringLiteral("Failing File (*.FAIL)"), QStringLiteral("Excel Workbook (*.xlsx)"),
                           QStringLiteral("CSV File (*.csv)")}));
    EXPECT_EQ(TReportSaver::Extension(1), QStringLiteral("REC"));
    EXPECT_EQ(TReportSaver::WithExtension(QStringLiteral("/x/report"), 2), QStringLiteral("/x/report.fail"));
    EXPECT_EQ(TReportSaver::WithExtension(QStringLiteral("/x/report.txt"), 2), QStringLiteral("/x/report.txt"));
}

TEST_F(TSavePathTest, AFailedExportNamesTheFileAndLeavesNothingBehind)
{
    FilterLibrary().RegisterFilterClass(QStringLiteral("TFailingFilter"), TFilterLibrary::Factory<TFailingFilter>());
    TActivityFixture f;
    f.AddGroups({150});
    const QString fileName = Dir.filePath(QStringLiteral("report.fail"));
    QFile keep(Dir.filePath(QStringLiteral("report-notes.txt")));
    ASSERT_TRUE(keep.open(QIODevice::WriteOnly));
    keep.close();

    EXPECT_FALSE(TReportSaver::Save(fileName, 1, &f.Report, nullptr, [](const TReportProgress&) { return true; }));
    ASSERT_EQ(Prompt.Warnings.size(), 1);
    EXPECT_EQ(Prompt.Warnings.first(), QStringLiteral("The report could not be saved to \"%1\": The report has too "
                                                      "many rows for this format.")
                                           .arg(fileName));
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files), QStringList({QStringLiteral("report-notes.txt")}));
}

TEST_F(TSavePathTest, SavedReportFileOpensWithTheSamePages)
{
    TActivityFixture f;
    f.AddGroups({70, 5});
    auto document = f.Report.Generate();
    const QString fileName = Dir.filePath(QStringLiteral("week.rpt"));
    ASSERT_TRUE(TReportSaver::Save(fileName, 0, &f.Report, document.get()));
    QString error;
    auto loaded = TReportDocument::LoadFromFile(fileName, &error);
    ASSERT_TRUE(loaded) << error.toStdString();
    ASSERT_EQ(loaded->PageCount(), document->PageCount());
    for (int page = 0; page < document->PageCount(); ++page)
        EXPECT_EQ(PageTexts(*loaded, page), PageTexts(*document, page));
    EXPECT_EQ(loaded->Font(1), document->Font(1));

    QFile damaged(fileName);
    ASSERT_TRUE(damaged.open(QIODevice::ReadWrite));
    damaged.resize(damaged.size() / 2);
    damaged.close();
    EXPECT_FALSE(TReportDocument::LoadFromFile(fileName, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("The file \"%1\" is not a valid report file: ").arg(fileName)))
        << error.toStdString();
}

TEST_F(TSavePathTest, SavesThroughARegisteredWriter)
{
    RegisterExtraFilters();
    const QStringList filters = TReportSaver::NameFilters();
    const int excel = int(filters.indexOf(QStringLiteral("Excel File (*.XLS)")));
    ASSERT_GT(excel, 0);
    TActivityFixture f;
    f.AddGroups({3});
    f.Report.ShowProgress = false;
    const QString fileName = TReportSaver::WithExtension(Dir.filePath(QStringLiteral("members")), excel);
    EXPECT_EQ(fileName, Dir.filePath(QStringLiteral("members.xls")));
    EXPECT_TRUE(TReportSaver::Save(fileName, excel, &f.Report, nullptr));
    EXPECT_TRUE(Prompt.Warnings.isEmpty());
    EXPECT_GT(QFileInfo(fileName).size(), 0);
    UnregisterExtraFilters();
}

TEST_F(TSavePathTest, NamesBeyondTheCodePageSurviveTheReportFileAndASheetSaysOnceWhatItChanged)
{
    RegisterExtraFilters();
    const QString names[] = {QString::fromUtf8("Wa\xC5\x82\xC4\x99sa, \xC5\x81ukasz"),
                             QString::fromUtf8("\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB5\xD0\xB2"),
                             QStringLiteral("Smith, Anna")};
    TReportDocument document;
    const quint16 font = document.AddFont(ArialFont(10));
    TReportPage page(1);
    for (int i = 0; i < 3; ++i)
        page.AddText(50, 50 + 60 * i, 400, 45, font, taLeftJustify, clWhite, names[i]);
    document.AddPage(std::move(page));

    const QString report = Dir.filePath(QStringLiteral("names.rpt"));
    ASSERT_TRUE(TReportSaver::Save(report, 0, nullptr, &document));
    auto loaded = TReportDocument::LoadFromFile(report);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(PageTexts(*loaded, 0), PageTexts(document, 0));

    const int excel = int(TReportSaver::NameFilters().indexOf(QStringLiteral("Excel File (*.XLS)")));
    ASSERT_TRUE(TReportSaver::Save(Dir.filePath(QStringLiteral("names.xls")), excel, nullptr, &document));
    EXPECT_EQ(Prompt.Warnings, QStringList{QStringLiteral("2 texts hold characters that XLS cannot store; they were "
                                                          "written as the nearest letters. XLSX and CSV keep them.")});
    Prompt.Warnings.clear();
    const int rtf = int(TReportSaver::NameFilters().indexOf(QStringLiteral("RTF File (*.RTF)")));
    ASSERT_TRUE(TReportSaver::Save(Dir.filePath(QStringLiteral("names.rtf")), rtf, nullptr, &document));
    EXPECT_TRUE(Prompt.Warnings.isEmpty());
    UnregisterExtraFilters();
}

TEST_F(TSavePathTest, AFullDiskIsShownWithTheSystemsReasonAndKeepsTheOlderFile)
{
    RegisterExtraFilters();
    const int pdf = int(TReportSaver::NameFilters().indexOf(QStringLiteral("Adobe PDF File (*.PDF)")));
    TActivityFixture f;
    f.AddGroups({150});
    f.Report.ShowProgress = false;
    const QString fileName = Dir.filePath(QStringLiteral("week.pdf"));
    QFile older(fileName);
    ASSERT_TRUE(older.open(QIODevice::WriteOnly));
    older.write("last week");
    older.close();

    TStagedFile::SimulateFullDiskAfter(4000);
    EXPECT_FALSE(TReportSaver::Save(fileName, pdf, &f.Report, nullptr));
    TStagedFile::ClearSimulatedFaults();
    EXPECT_EQ(Prompt.Warnings, QStringList{QStringLiteral("The report could not be saved to \"%1\": Cannot write file "
                                                          "\"%1\". No space left on device")
                                               .arg(fileName)});
    EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("week.pdf")});
    ASSERT_TRUE(older.open(QIODevice::ReadOnly));
    EXPECT_EQ(older.readAll(), QByteArray("last week"));
    UnregisterExtraFilters();
}

TEST_F(TSavePathTest, NeverSavesOverTheClubsOwnFiles)
{
    RegisterExtraFilters();
    TActivityFixture f;
    f.AddGroups({3});
    f.Report.ShowProgress = false;
    auto document = f.Report.Generate();
    const QString database = Dir.filePath(QStringLiteral("club.db"));
    QFile file(database);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("tables");
    file.close();
    TOutputGuard::ProtectFile(database, QStringLiteral("the club database"));

    // The engine's own report file and an export alike.
    for (const int choice : {0, 1}) {
        SCOPED_TRACE(choice);
        Prompt.Warnings.clear();
        EXPECT_FALSE(TReportSaver::Save(database, choice, &f.Report, document.get()));
        ASSERT_EQ(Prompt.Warnings.size(), 1);
        EXPECT_TRUE(Prompt.Warnings.first().contains(
            QStringLiteral("The file \"%1\" is the club database; an export is never written over it.").arg(database)))
            << Prompt.Warnings.first().toStdString();
    }
    TOutputGuard::Clear();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("tables"));
    UnregisterExtraFilters();
}
