// A report's title and its date, whose month and day names come from the system's locale, in scripts
// beyond code page 1252, through every page writer: each keeps them in its own way and none writes a
// "?" in their place. Font names beyond the code page likewise.
#include "CodePages.h"
#include "DateTime.h"
#include "ExportTestSupport.h"
#include "TCSS2Filter.h"
#include "TExtraOptions.h"
#include "THTMLFilter.h"
#include "THTMLFilterPageFile.h"
#include "TPDFFilter.h"
#include "TRTFFilter.h"
#include "TWK1Filter.h"
#include "TWQ1Filter.h"
#include "TXLSFilter.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QLocale>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace ExportTest;

namespace {

struct TLocaleCase
{
    const char* Name;
    QLocale::Language Language;
    QLocale::Territory Territory;
    QString Club; // the report's title
    QString Next; // the navigation label to the next page
};

const TLocaleCase Locales[] = {
    {"Greek", QLocale::Greek, QLocale::Greece, QStringLiteral("Αθλητικός Όμιλος"), QStringLiteral("Επόμενη")},
    {"Russian", QLocale::Russian, QLocale::Russia, QStringLiteral("Спортивный клуб"), QStringLiteral("Далее")},
    {"Arabic", QLocale::Arabic, QLocale::Egypt, QStringLiteral("نادي الرياضة"), QStringLiteral("التالي")},
};

// The default locale for the life of the object.
class TLocaleScope
{
public:
    explicit TLocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~TLocaleScope() { QLocale::setDefault(m_saved); }

private:
    QLocale m_saved;
};

// Each character of the text that code page 1252 lacks, as UTF-16 code units.
QList<char16_t> UnitsBeyond1252(const QString& text)
{
    QList<char16_t> units;
    for (const QChar c : text) {
        if (CodePage1252Byte(c.unicode()) < 0)
            units.append(c.unicode());
    }
    return units;
}

QByteArray AllPages(const QString& folder)
{
    QByteArray all;
    for (const QString& name : QDir(folder).entryList({QStringLiteral("RPT*.HTM")}, QDir::Files, QDir::Name))
        all += ReadFile(folder + QLatin1Char('/') + name);
    return all;
}

enum TWay { wyRtf, wyHtml, wyPdf, wy1252Letters, wy437Letters };

struct TWriter
{
    const char* Name;
    TFilterFactory Create;
    TWay Way;
};

} // namespace

TEST(TLocaleText, TitlesAndDatesInTheLocalesScriptKeepEveryCharacterInEachWritersWay)
{
    const TWriter writers[] = {
        {"RTF", FilterFactory<TRTFFilter>(), wyRtf},
        {"HTML", FilterFactory<THTMLFilter>(), wyHtml},
        {"CSS2", FilterFactory<TCSS2Filter>(), wyHtml},
        {"PDF", FilterFactory<TPDFFilter>(), wyPdf},
        {"XLS", FilterFactory<TXLSFilter>(), wy1252Letters},
        {"WK1", FilterFactory<TWK1Filter>(), wy437Letters},
        {"WQ1", FilterFactory<TWQ1Filter>(), wy437Letters},
    };
    const bool pdfReader = !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
    for (const TLocaleCase& locale : Locales) {
        SCOPED_TRACE(locale.Name);
        const TLocaleScope scope(QLocale(locale.Language, locale.Territory));
        // As the report heads its pages: the locale's names of the day and the month.
        const QString date = FormatDateTime(QStringLiteral("dddd, mmmm d, yyyy"), FromQDate(QDate(2026, 6, 15)));
        ASSERT_FALSE(UnitsBeyond1252(date).isEmpty()) << "the locale's names did not reach the date: " << date.toStdString();
        ASSERT_TRUE(date.endsWith(QStringLiteral(" 15, 2026"))) << date.toStdString();

        for (const TWriter& writer : writers) {
            SCOPED_TRACE(writer.Name);
            QTemporaryDir dir;
            ExtraOptions().HTML.Title = ExtraOptions().CSS2.Title = locale.Club;
            ExtraOptions().HTML.NextText = ExtraOptions().CSS2.NextText = locale.Next;
            const QString file = dir.filePath(QStringLiteral("report.out"));
            std::unique_ptr<TExtraFilter> filter = writer.Create(file);
            RunExport(*filter, {TPage{TLabel{100, 100, locale.Club}, TLabel{100, 300, date}},
                                TPage{TLabel{100, 100, QStringLiteral("2")}}});
            FreeExtraOptions();

            const QString texts[] = {locale.Club, date};
            switch (writer.Way) {
            case wyRtf: {
                const QByteArray rtf = ReadFile(file);
                for (const QString& text : texts) {
                    for (const char16_t unit : UnitsBeyond1252(text))
                        EXPECT_TRUE(rtf.contains("\\u" + QByteArray::number(qint16(unit)))) << int(unit);
                }
                EXPECT_FALSE(rtf.contains('?'));
                break;
            }
            case wyHtml: {
                const QByteArray html = AllPages(dir.path());
                for (const QString& text : {locale.Club, date, locale.Next}) {
                    for (const char16_t unit : UnitsBeyond1252(text))
                        EXPECT_TRUE(html.contains("&#" + QByteArray::number(int(unit)) + ';')) << int(unit);
                }
                TByteBuffer title;
                THTMLFilterPageFile::AppendText(title, locale.Club);
                EXPECT_TRUE(html.contains("<TITLE>" + title.View().toByteArray() + "</TITLE>"));
                EXPECT_FALSE(html.contains('?'));
                break;
            }
            case wyPdf: {
                if (!pdfReader)
                    break;
                QProcess pdftotext;
                pdftotext.start(QStringLiteral("pdftotext"), {file, QStringLiteral("-")});
                ASSERT_TRUE(pdftotext.waitForFinished(60000));
                const QString extracted = QString::fromUtf8(pdftotext.readAllStandardOutput());
                for (const QString& text : texts) {
                    // Every character comes back through the font's map, none lost or replaced. The
                    // page sets a right-to-left word in the order it is stored, which a reader then
                    // turns around, so its letters are counted rather than its words compared.
                    for (const QString& word : text.split(QLatin1Char(' '))) {
                        if (word.isRightToLeft()) {
                            for (const QChar c : word)
                                EXPECT_GE(extracted.count(c), word.count(c)) << word.toStdString();
                        } else {
                            EXPECT_TRUE(extracted.contains(word)) << word.toStdString() << " in " << extracted.toStdString();
                        }
                    }
                }
                break;
            }
            case wy1252Letters:
            case wy437Letters: {
                const QByteArray sheet = ReadFile(file);
                for (const QString& text : texts) {
                    const bool in1252 = writer.Way == wy1252Letters;
                    const QString letters = in1252 ? NearestLetters1252(text) : NearestLetters437(text);
                    EXPECT_TRUE(UnitsBeyond1252(letters).isEmpty());
                    EXPECT_GE(letters.size(), text.size() / 2) << letters.toStdString();
                    const QByteArray bytes = ToCodePage1252(letters);
                    EXPECT_TRUE(sheet.contains(in1252 ? bytes : CodePage1252To437(bytes))) << letters.toStdString();
                }
                EXPECT_FALSE(sheet.contains('?'));
                EXPECT_FALSE(filter->Notice().isEmpty());
                break;
            }
            }
        }
    }
    if (!pdfReader)
        GTEST_SKIP() << "pdftotext (poppler-utils) is not installed; the PDF was not read back";
}

// A font whose name code page 1252 lacks: the XLS font table holds its nearest letters, the HTML and
// CSS2 pages its characters as style-sheet escapes, which a browser reads in a style sheet as in a
// style attribute.
TEST(TLocaleText, FontNamesBeyondTheCodePageAreNeverQuestionMarks)
{
    const TFont font{QStringLiteral("Δέλτα Sans"), 10};
    const struct
    {
        const char* Name;
        TFilterFactory Create;
        QByteArray Written;
    } writers[] = {
        {"XLS", FilterFactory<TXLSFilter>(), ToCodePage1252(NearestLetters1252(font.Name))},
        {"HTML", FilterFactory<THTMLFilter>(), "\\000394\\0003AD\\0003BB\\0003C4\\0003B1 Sans"},
        {"CSS2", FilterFactory<TCSS2Filter>(), "\\000394\\0003AD\\0003BB\\0003C4\\0003B1 Sans"},
    };
    ASSERT_TRUE(writers[0].Written.startsWith('D') && writers[0].Written.endsWith("lta Sans"));
    for (const auto& writer : writers) {
        SCOPED_TRACE(writer.Name);
        QTemporaryDir dir;
        const QString file = dir.filePath(QStringLiteral("report.out"));
        RunExport(*writer.Create(file), {TPage{TLabel{100, 100, QStringLiteral("Name"), taLeftJustify, &font}}});
        const QByteArray written = QFileInfo::exists(file) && QFileInfo(file).size() > 0
                                       ? ReadFile(file)
                                       : ReadFile(dir.filePath(QStringLiteral("RPT0001.HTM")));
        EXPECT_TRUE(written.contains(writer.Written)) << written.constData();
        EXPECT_FALSE(written.contains('?'));
    }
}
