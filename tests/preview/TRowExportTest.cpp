// The row export of a report: its data set's rows in report order as typed cells, the counts as the
// report's footers print them, cancelling, and the save path's two row formats.
#include "ReportTestSupport.h"
#include "TSavePathTest.h"
#include "DateTime.h"
#include "ExtraFilters.h"
#include "RowFormats.h"
#include "TFilterLibrary.h"
#include "TPreviewWindow.h"
#include "TPrompt.h"
#include "TReportDocument.h"
#include "TReportSaver.h"
#include "TRowExporter.h"
#include "TRowSink.h"
#include "EExportError.h"
#include "TCsvRowWriter.h"
#include "TXlsxRowWriter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>
#include <optional>

namespace {

class TRecordingSink : public TRowSink
{
public:
    void Start(const TRowTable& table) override { Table = table; }
    void WriteRow(const QList<TRowCell>& cells) override { Rows.append(cells); }
    void Finish(const TRowCounts& counts) override { Counts = counts; }

    TRowTable Table;
    QList<QList<TRowCell>> Rows;
    std::optional<TRowCounts> Counts;
};

void DeclareRows(TActivityFixture& f)
{
    f.Report.RowExport.SheetName = QStringLiteral("Activity Report");
    f.Report.RowExport.Columns = {{QStringLiteral("Activity"), QStringLiteral("description"), ckText},
                                  {QStringLiteral("Member#"), QStringLiteral("memberno"), ckInteger},
                                  {QStringLiteral("Name"), QStringLiteral("FullName"), ckText},
                                  {QStringLiteral("Phone"), QStringLiteral("HomePhone"), ckText},
                                  {QStringLiteral("Start"), QStringLiteral("Start"), ckDate},
                                  {QStringLiteral("Pymt Rate"), QStringLiteral("Pymtrate"), ckCurrency}};
    f.Report.RowExport.CountsSheetName = QStringLiteral("Counts");
    f.Report.RowExport.GroupHeading = QStringLiteral("Activity");
    f.Report.RowExport.CountHeading = QStringLiteral("Member Count");
    f.Report.RowExport.TotalLabel = QStringLiteral("Total Member Count");
    f.Report.RowExport.Title = QStringLiteral("Activity Report");
    f.Report.RowExport.Company = [] { return QStringLiteral("Riverside Tennis Club"); };
}

QStringList FilesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
}

// The numbers the report's group footers print, in order.
QList<qint64> PrintedCounts(TBandedReport& report)
{
    QList<qint64> counts;
    const auto document = report.Generate();
    for (int page = 0; page < document->PageCount(); ++page) {
        for (const QString& text : PageTexts(*document, page)) {
            if (text.startsWith(QStringLiteral("Member Count  ")))
                counts << text.mid(14).toLongLong();
        }
    }
    return counts;
}

class TDateSettings : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_format = ShortDateFormat();
        m_separator = DateSeparator();
    }
    void TearDown() override
    {
        SetShortDateFormat(m_format);
        SetDateSeparator(m_separator);
    }

private:
    QString m_format;
    QChar m_separator;
};

} // namespace

TEST(TRowExport, WritesTheRowsInReportOrderWithTheCountsTheReportPrints)
{
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({3, 2});
    // The same activity again after another one: the report prints it as a group of its own.
    f.Data.AddRow({QStringLiteral("Activity 1"), 6, QStringLiteral("Member 6"), QDate(2024, 2, 1), QVariant()});
    TRecordingSink sink;
    ASSERT_TRUE(f.Report.ExportRowsTo(sink));

    EXPECT_EQ(sink.Table.Headings, QStringList({QStringLiteral("Activity"), QStringLiteral("Member#"),
                                                QStringLiteral("Name"), QStringLiteral("Phone"),
                                                QStringLiteral("Start"), QStringLiteral("Pymt Rate")}));
    EXPECT_EQ(sink.Table.Company, QStringLiteral("Riverside Tennis Club"));
    ASSERT_EQ(sink.Rows.size(), 6);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sink.Rows[i][1].Number, i + 1) << "report order";
    const QList<TRowCell>& first = sink.Rows[0];
    EXPECT_EQ(first[0].Kind, ckText);
    EXPECT_EQ(first[0].Text, QStringLiteral("Activity 1"));
    EXPECT_EQ(first[1].Kind, ckInteger);
    EXPECT_EQ(first[3].Kind, ckEmpty) << "a field the data set lacks gives empty cells";
    EXPECT_EQ(first[4].Kind, ckDate);
    EXPECT_EQ(first[4].Text, QStringLiteral("1/1/2024"));
    EXPECT_EQ(first[5].Text, QStringLiteral("12.50"));
    EXPECT_EQ(sink.Rows[5][5].Kind, ckEmpty);

    ASSERT_TRUE(sink.Counts);
    QList<qint64> counted;
    QStringList groups;
    for (const auto& [group, count] : sink.Counts->Groups) {
        groups << group;
        counted << count;
    }
    EXPECT_EQ(groups, QStringList({QStringLiteral("Activity 1"), QStringLiteral("Activity 2"),
                                   QStringLiteral("Activity 1")}));
    EXPECT_EQ(counted, PrintedCounts(f.Report));
    EXPECT_EQ(sink.Counts->Total, 6);
    EXPECT_EQ(sink.Counts->TotalLabel, QStringLiteral("Total Member Count"));
}

TEST(TRowExport, AnEmptyReportHasItsHeadingsAndATotalOfNought)
{
    TActivityFixture f;
    DeclareRows(f);
    TRecordingSink sink;
    ASSERT_TRUE(f.Report.ExportRowsTo(sink));
    EXPECT_EQ(sink.Table.Headings.size(), 6);
    EXPECT_TRUE(sink.Rows.isEmpty());
    ASSERT_TRUE(sink.Counts);
    EXPECT_TRUE(sink.Counts->Groups.isEmpty());
    EXPECT_EQ(sink.Counts->Total, 0);
}

// The rows a full export writes, for comparing with what a stopped one got.
QList<QList<TRowCell>> AllRows(TBandedReport& report)
{
    TRecordingSink sink;
    TRowExporter exporter;
    exporter.WriterThread = false;
    exporter.Run(report, sink);
    return sink.Rows;
}

bool SameCells(const QList<TRowCell>& a, const QList<TRowCell>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const TRowCell& x, const TRowCell& y) {
        return x.Kind == y.Kind && x.Number == y.Number && x.Text == y.Text;
    });
}

// Cancelling stops the reading at once and leaves the sink unfinished. The writer thread drops the
// rows it has not written yet, so it wrote the first rows read, and no more than they.
TEST(TRowExport, CancellingLeavesTheSinkUnfinished)
{
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({2500});
    const QList<QList<TRowCell>> all = AllRows(f.Report);
    for (const bool writerThread : {false, true}) {
        SCOPED_TRACE(writerThread ? "writer thread" : "one thread");
        TRecordingSink sink;
        TRowExporter exporter;
        exporter.WriterThread = writerThread;
        int calls = 0;
        EXPECT_FALSE(exporter.Run(f.Report, sink, [&](const TReportProgress& progress) {
            ++calls;
            EXPECT_EQ(progress.Rows, 1000);
            return false;
        }));
        EXPECT_EQ(calls, 1);
        if (writerThread)
            EXPECT_LE(sink.Rows.size(), 1000);
        else
            EXPECT_EQ(sink.Rows.size(), 1000);
        for (qsizetype i = 0; i < sink.Rows.size(); ++i)
            ASSERT_TRUE(SameCells(sink.Rows[i], all[i])) << "row " << i;
        EXPECT_FALSE(sink.Counts);
    }
}

// The sink gets the same calls with the same rows whether it writes on the writer thread or not;
// its Start and Finish run on the caller's thread either way.
TEST(TRowExport, TheWriterThreadWritesTheRowsTheCallersThreadWould)
{
    class TThreadSink : public TRecordingSink
    {
    public:
        void Start(const TRowTable& table) override
        {
            TRecordingSink::Start(table);
            StartThread = QThread::currentThread();
        }
        void WriteRow(const QList<TRowCell>& cells) override
        {
            TRecordingSink::WriteRow(cells);
            RowThreads.insert(QThread::currentThread());
        }
        void Finish(const TRowCounts& counts) override
        {
            TRecordingSink::Finish(counts);
            FinishThread = QThread::currentThread();
        }
        QThread* StartThread = nullptr;
        QThread* FinishThread = nullptr;
        QSet<QThread*> RowThreads;
    };
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({700, 1, 1300, 257});
    TThreadSink inline_;
    TThreadSink threaded;
    for (TThreadSink* sink : {&inline_, &threaded}) {
        TRowExporter exporter;
        exporter.WriterThread = sink == &threaded;
        ASSERT_TRUE(exporter.Run(f.Report, *sink));
        EXPECT_EQ(sink->StartThread, QThread::currentThread());
        EXPECT_EQ(sink->FinishThread, QThread::currentThread());
    }
    EXPECT_EQ(inline_.RowThreads, QSet<QThread*>{QThread::currentThread()});
    EXPECT_FALSE(threaded.RowThreads.contains(QThread::currentThread()));
    ASSERT_EQ(threaded.Rows.size(), 2258);
    ASSERT_EQ(inline_.Rows.size(), 2258);
    for (qsizetype i = 0; i < inline_.Rows.size(); ++i)
        ASSERT_TRUE(SameCells(threaded.Rows[i], inline_.Rows[i])) << "row " << i;
    ASSERT_TRUE(threaded.Counts && inline_.Counts);
    EXPECT_EQ(threaded.Counts->Groups, inline_.Counts->Groups);
    EXPECT_EQ(threaded.Counts->Total, 2258);
}

// A failure of the writer stops the reading soon after and reaches the caller as it was raised; the
// sink is not finished.
TEST(TRowExport, AWriterFailureStopsTheExport)
{
    class TFailingSink : public TRecordingSink
    {
    public:
        void WriteRow(const QList<TRowCell>& cells) override
        {
            if (Rows.size() == 300)
                throw EExportError(QStringLiteral("Cannot write file \"x.csv\". No space left on device"));
            TRecordingSink::WriteRow(cells);
        }
    };
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({20000});
    TFailingSink sink;
    int calls = 0;
    try {
        f.Report.ExportRowsTo(sink, [&](const TReportProgress&) { return ++calls > 0; });
        FAIL() << "the failure was not raised";
    } catch (const EExportError& error) {
        EXPECT_EQ(error.Message(), QStringLiteral("Cannot write file \"x.csv\". No space left on device"));
    }
    EXPECT_EQ(sink.Rows.size(), 300);
    EXPECT_LE(calls, 2) << "the reading went on after the writer failed";
    EXPECT_FALSE(sink.Counts);
}

// Both row formats write the same bytes with the writer thread as without it, over many batches,
// hostile texts included.
TEST(TRowExport, TheRowFormatsWriteTheSameBytesOnTheWriterThread)
{
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({1500, 900});
    f.Data.AddRow({QStringLiteral("=1+1, \"Ünïcode\"\n"), -3, QStringLiteral("@Müller, Jürgen"), QDate(1899, 12, 31), -0.5});
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDateTime created(QDate(2026, 12, 9), QTime(10, 0), Qt::UTC);
    for (const QString& extension : {QStringLiteral("csv"), QStringLiteral("xlsx")}) {
        SCOPED_TRACE(qPrintable(extension));
        QByteArray bytes[2];
        for (const bool writerThread : {false, true}) {
            const QString fileName = dir.filePath(QStringLiteral("rows%1.%2").arg(int(writerThread)).arg(extension));
            std::unique_ptr<TRowSink> sink;
            if (extension == QLatin1String("xlsx")) {
                auto workbook = std::make_unique<TXlsxRowWriter>(fileName);
                workbook->SetCreated(created);
                sink = std::move(workbook);
            } else {
                sink = std::make_unique<TCsvRowWriter>(fileName);
            }
            TRowExporter exporter;
            exporter.WriterThread = writerThread;
            ASSERT_TRUE(exporter.Run(f.Report, *sink));
            QFile file(fileName);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            bytes[writerThread] = file.readAll();
        }
        EXPECT_GT(bytes[0].size(), 20000);
        EXPECT_TRUE(bytes[0] == bytes[1]);
    }
}

TEST_F(TDateSettings, CellsKeepTheirKindAndReadTheSameOnEverySystem)
{
    // The report shows dates in the regional format; the data does not follow it.
    SetShortDateFormat(QStringLiteral("d/M/yyyy"));
    SetDateSeparator(QLatin1Char('.'));
    const QDate day(2026, 12, 9);
    const struct {
        const char* name;
        QVariant value;
        TCellKind kind;
        TCellKind expectedKind;
        double number;
        QString text;
    } cases[] = {
        {"null", QVariant(), ckInteger, ckEmpty, 0, QString()},
        {"empty text", QStringLiteral(""), ckText, ckEmpty, 0, QString()},
        {"text as stored", QStringLiteral(" =1+1, \"x\" "), ckText, ckText, 0, QStringLiteral(" =1+1, \"x\" ")},
        {"negative integer", -1, ckInteger, ckInteger, -1, QStringLiteral("-1")},
        {"text in a number column", QStringLiteral("n/a"), ckInteger, ckText, 0, QStringLiteral("n/a")},
        {"whole amount", 99.0, ckCurrency, ckCurrency, 99, QStringLiteral("99.00")},
        {"amount with more decimals", 12.345, ckCurrency, ckCurrency, 12.345, QStringLiteral("12.345")},
        {"negative amount", -5.0, ckCurrency, ckCurrency, -5, QStringLiteral("-5.00")},
        {"large amount without grouping", 1234567.5, ckCurrency, ckCurrency, 1234567.5, QStringLiteral("1234567.50")},
        {"amount that rounds to nought", -0.00001, ckCurrency, ckCurrency, -0.00001, QStringLiteral("0.00")},
        {"date", day, ckDate, ckDate, FromQDate(day), QStringLiteral("12/9/2026")},
        {"date and time", QDateTime(day, QTime(13, 30)), ckDate, ckDate, FromQDate(day), QStringLiteral("12/9/2026")},
    };
    TRowExporter exporter;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TRowCell cell = exporter.Cell(c.value, c.kind);
        EXPECT_EQ(cell.Kind, c.expectedKind);
        EXPECT_EQ(cell.Text, c.text);
        if (c.expectedKind != ckText) {
            EXPECT_DOUBLE_EQ(cell.Number, c.number);
        }
    }
}

TEST_F(TSavePathTest, TheRowFormatsFollowThePageFormats)
{
    const QStringList all = TReportSaver::NameFilters();
    EXPECT_EQ(all, QStringList({QStringLiteral("Report File (*.rpt)"), QStringLiteral("Excel Workbook (*.xlsx)"),
                                QStringLiteral("CSV File (*.csv)")}));
    EXPECT_EQ(TReportSaver::NameFilters(false), QStringList{QStringLiteral("Report File (*.rpt)")});
    EXPECT_EQ(TReportSaver::WithExtension(QStringLiteral("/x/members"), 1), QStringLiteral("/x/members.xlsx"));
    EXPECT_EQ(TReportSaver::WithExtension(QStringLiteral("/x/members"), 2), QStringLiteral("/x/members.csv"));
    EXPECT_EQ(TReportSaver::Extension(3), QString());
}

TEST_F(TSavePathTest, SavesTheRowsAndLeavesNothingWhenCancelled)
{
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({2, 1});
    const QString fileName = Dir.filePath(QStringLiteral("members.csv"));
    const auto proceed = [](const TReportProgress&) { return true; };
    ASSERT_TRUE(TReportSaver::Save(fileName, 2, &f.Report, nullptr, proceed));
    QFile file(fileName);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll().count("\r\n"), 4);
    EXPECT_TRUE(Prompt.Warnings.isEmpty());

    f.AddGroups({1500});
    const QString cancelled = Dir.filePath(QStringLiteral("cancelled.xlsx"));
    EXPECT_FALSE(TReportSaver::Save(cancelled, 1, &f.Report, nullptr, [](const TReportProgress&) { return false; }));
    EXPECT_TRUE(Prompt.Warnings.isEmpty()) << "a cancelled save says nothing";
    EXPECT_EQ(FilesIn(Dir), QStringList{QStringLiteral("members.csv")});
}

TEST_F(TSavePathTest, AReportOpenedFromAFileHasNoRowsToSave)
{
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({2});
    const auto document = f.Report.Generate();
    const QString fileName = Dir.filePath(QStringLiteral("members.xlsx"));
    EXPECT_FALSE(TReportSaver::Save(fileName, 1, nullptr, document.get()));
    ASSERT_EQ(Prompt.Warnings.size(), 1);
    EXPECT_EQ(Prompt.Warnings.first(),
              QStringLiteral("The report could not be saved to \"%1\": a report opened from a saved file holds its "
                             "pages but not its rows. Run the report again to save its rows.")
                  .arg(fileName));
    EXPECT_TRUE(FilesIn(Dir).isEmpty());
}

TEST_F(TSavePathTest, AFailedRowSaveNamesTheFileAndTheReason)
{
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({2});
    const QString fileName = Dir.filePath(QStringLiteral("gone/members.csv"));
    EXPECT_FALSE(TReportSaver::Save(fileName, 2, &f.Report, nullptr, [](const TReportProgress&) { return true; }));
    ASSERT_EQ(Prompt.Warnings.size(), 1);
    EXPECT_EQ(Prompt.Warnings.first(),
              QStringLiteral("The report could not be saved to \"%1\": Cannot create file \"%1\". No such file or "
                             "directory")
                  .arg(fileName));
}

namespace {

// Presses the preview's Save and returns the filters its file dialog offered; the dialog is then
// closed without saving. With PREVIEW_GRAB_DIR set, the dialog is also saved as a picture.
QStringList OfferedFilters(TPreviewWindow& window, const QString& picture)
{
    QStringList offered;
    QTimer::singleShot(0, [&offered, picture] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QFileDialog*>(widget);
            if (!dialog || !dialog->isVisible())
                continue;
            offered = dialog->nameFilters();
            const QString folder = qEnvironmentVariable("PREVIEW_GRAB_DIR");
            if (!folder.isEmpty()) {
                dialog->selectNameFilter(offered.last());
                dialog->grab().save(folder + QLatin1Char('/') + picture);
            }
            dialog->reject();
        }
    });
    window.findChild<QAction*>(QStringLiteral("actSave"))->trigger();
    return offered;
}

} // namespace

TEST_F(TSavePathTest, ThePreviewOffersTheRowFormatsOnlyForAReportItRuns)
{
    RegisterExtraFilters();
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({2});
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    const QStringList offered = OfferedFilters(window, QStringLiteral("save-dialog.png"));
    ASSERT_EQ(offered.size(), 12);
    EXPECT_EQ(offered.mid(10), QStringList({QStringLiteral("Excel Workbook (*.xlsx)"), QStringLiteral("CSV File (*.csv)")}));

    const QString saved = Dir.filePath(QStringLiteral("report.rpt"));
    ASSERT_TRUE(TReportSaver::Save(saved, 0, &f.Report, window.Document()));
    TPreviewWindow reopened;
    ASSERT_TRUE(reopened.OpenFile(saved));
    reopened.show();
    EXPECT_EQ(OfferedFilters(reopened, QStringLiteral("save-dialog-from-file.png")), offered.mid(0, 10));
    UnregisterExtraFilters();
}

TEST_F(TSavePathTest, ATypedExtensionChoosesTheFormatAfterAsking)
{
    // The extensions the dialog knows, in any letter case; the others leave the choice alone.
    const QStringList filters = TReportSaver::NameFilters();
    const int csv = int(filters.indexOf(QRegularExpression(QStringLiteral(".*\\(\\*\\.csv\\)"))));
    ASSERT_GE(csv, 1);
    const struct
    {
        const char* Name;
        int Expected;
    } names[] = {{"out/typed_ext.rpt", 0}, {"out/typed_ext.RPT", 0}, {"typed.csv", csv}, {"typed.CSV", csv},
                 {"typed.notes", -1},      {"typed", -1},             {"archive.rpt.gz", -1}};
    for (const auto& row : names)
        EXPECT_EQ(TReportSaver::ChoiceOfName(QLatin1String(row.Name)), row.Expected) << row.Name;

    // In the window: "typed.csv" with the type left at Report File asks which is meant.
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({30});
    TPreviewWindow previewWindow;
    ASSERT_TRUE(previewWindow.StartLayout(f.Report));
    previewWindow.FinishLayout();
    TPreviewWindow* window = &previewWindow;
    const struct
    {
        const char* Name;
        int Answer;
        bool Rows;   // a row file was written
        bool Report; // a saved-report file was written
    } answers[] = {{"yes: the typed extension", QMessageBox::Yes, true, false},
                   {"no: the chosen type", QMessageBox::No, false, true},
                   {"cancel: nothing", QMessageBox::Cancel, false, false}};
    int run = 0;
    for (const auto& row : answers) {
        SCOPED_TRACE(row.Name);
        const QString fileName = Dir.filePath(QStringLiteral("typed%1.csv").arg(++run));
        window->SaveDialog = [&](QString& name, int& choice) {
            name = fileName;
            choice = 0; // Report File (*.rpt)
            return true;
        };
        QString question;
        Prompt.ModalActions << [&](QDialog& dialog) {
            question = static_cast<QMessageBox&>(dialog).text();
            return row.Answer;
        };
        window->SaveReport();
        EXPECT_TRUE(question.contains(QStringLiteral("Report File (*.rpt)"))) << question.toStdString();
        ASSERT_EQ(QFile::exists(fileName), row.Rows || row.Report);
        if (QFile::exists(fileName)) {
            QString error;
            EXPECT_EQ(TReportDocument::LoadFromFile(fileName, &error) != nullptr, row.Report) << error.toStdString();
        }
    }
    // A name whose extension agrees with the type is saved without a question.
    const int asked = Prompt.ModalCount;
    window->SaveDialog = [&](QString& name, int& choice) {
        name = Dir.filePath(QStringLiteral("plain.csv"));
        choice = csv;
        return true;
    };
    window->SaveReport();
    EXPECT_EQ(Prompt.ModalCount, asked);
    EXPECT_TRUE(QFile::exists(Dir.filePath(QStringLiteral("plain.csv"))));
}

TEST_F(TSavePathTest, TheSaveDialogOpensInTheLastFolderAndTypeUsed)
{
    // The user's settings go into the test's folder.
    const QString defaultSettings = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Dir.filePath(QStringLiteral("config")));
    TActivityFixture f;
    DeclareRows(f);
    f.AddGroups({2});
    TPreviewWindow window;
    ASSERT_TRUE(window.StartLayout(f.Report));
    window.show();
    ASSERT_TRUE(QDir(Dir.path()).mkdir(QStringLiteral("exports")));
    const QString folder = QDir(Dir.filePath(QStringLiteral("exports"))).canonicalPath();

    // Runs the save dialog once: notes where it opened, then saves `name` as `filter` or cancels.
    const auto runDialog = [&](const QString& name, const QString& filter, QString* openedIn, QString* openedOn) {
        QTimer::singleShot(0, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                auto* dialog = qobject_cast<QFileDialog*>(widget);
                if (!dialog || !dialog->isVisible())
                    continue;
                if (openedIn)
                    *openedIn = dialog->directory().canonicalPath();
                if (openedOn)
                    *openedOn = dialog->selectedNameFilter();
                if (name.isEmpty()) {
                    dialog->reject();
                    continue;
                }
                dialog->selectNameFilter(filter);
                dialog->selectFile(name);
                static_cast<QDialog*>(dialog)->accept();
            }
        });
        window.findChild<QAction*>(QStringLiteral("actSave"))->trigger();
    };
    runDialog(folder + QStringLiteral("/members.csv"), QStringLiteral("CSV File (*.csv)"), nullptr, nullptr);
    EXPECT_TRUE(QFile::exists(folder + QStringLiteral("/members.csv")));
    QString openedIn;
    QString openedOn;
    runDialog({}, {}, &openedIn, &openedOn);
    EXPECT_EQ(openedIn, folder);
    EXPECT_EQ(openedOn, QStringLiteral("CSV File (*.csv)"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, defaultSettings);
}
