// Saved report files as they arrive from disk: damaged ones are refused with the reason, and whatever
// is accepted goes through every writer without a crash, an overflow or a huge allocation.
#include "ExtraFilters.h"
#include "TestFiles.h"
#include "ReportTestSupport.h"
#include "TFilterLibrary.h"
#include "TPrompt.h"
#include "TReportSaver.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

// A small two-page report in two fonts, with every alignment, a line, a line break and text that
// the writers escape.
std::unique_ptr<TReportDocument> SampleDocument()
{
    auto document = std::make_unique<TReportDocument>();
    document->PaperWidth = 1000; // 10 x 14 cm keeps the page images small
    document->PaperHeight = 1400;
    const quint16 plain = document->AddFont(ArialFont(10));
    const quint16 bold = document->AddFont(ArialFont(14, true));
    TReportPage first(1);
    first.AddText(50, 50, 400, 60, bold, taLeftJustify, clWhite, QStringLiteral("Activity Report"));
    first.AddText(500, 150, 200, 45, plain, taRightJustify, clYellow, QStringLiteral("Count = 12"));
    first.AddText(300, 250, 300, 45, plain, taCenter, clWhite, QStringLiteral("<a & b> {c} \\d (e)"));
    first.AddLine(50, 320, 900, 3);
    document->AddPage(std::move(first));
    TReportPage second(2);
    second.AddText(50, 50, 400, 90, plain, taLeftJustify, clWhite, QStringLiteral("two\r\nlines \u00e9"));
    document->AddPage(std::move(second));
    return document;
}

QByteArray SampleBytes(const QString& path)
{
    EXPECT_TRUE(SampleDocument()->SaveToFile(path));
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

template <typename T>
void Patch(QByteArray& bytes, qsizetype offset, T value)
{
    QByteArray encoded;
    QDataStream out(&encoded, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << value;
    bytes.replace(offset, encoded.size(), encoded);
}

// Where the sample's fields lie (QDataStream, big-endian, floating point as doubles): a 22-byte
// header, the font count, the fonts ("Arial", 5 characters, then size, four flags and colour) and
// then the pages, each with its number, element count and 48-byte elements.
constexpr qsizetype FontCountAt = 22;
constexpr qsizetype FirstFontSizeAt = 26 + 4 + 10;
constexpr qsizetype PageCountAt = 26 + 2 * (14 + 4 + 4 + 4);
constexpr qsizetype ElementCountAt = PageCountAt + 8;
constexpr qsizetype FirstElementAt = ElementCountAt + 4;

class TReportFileTest : public ::testing::Test
{
protected:
    QString Path(const char* name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    QTemporaryDir m_dir;
};

} // namespace

TEST_F(TReportFileTest, RefusesADamagedFileWithTheReason)
{
    const QString file = Path("week.rpt");
    const QByteArray sample = SampleBytes(file);
    ASSERT_TRUE(TReportDocument::LoadFromFile(file));

    const struct
    {
        const char* Name;
        std::function<void(QByteArray&)> Damage;
        const char* Reason;
    } rows[] = {
        {"cut short", [](QByteArray& b) { b.chop(3); }, "it ends too early"},
        {"another file", [](QByteArray& b) { b[0] = 'X'; }, "it does not begin as a saved report does"},
        {"newer format", [](QByteArray& b) { Patch(b, 4, quint16(7)); }, "its format version 7 is not known"},
        {"paper", [](QByteArray& b) { Patch(b, 6, 1e9); },
         "its paper size 1e+09 x 1400 tenths of a millimetre is outside 10 to 15000"},
        {"font count", [](QByteArray& b) { Patch(b, FontCountAt, quint32(70000)); }, "it declares 70000 fonts"},
        {"font size", [](QByteArray& b) { Patch(b, FirstFontSizeAt, qint32(67108874)); },
         "font 1 has the size 67108874 points, outside 1 to 1000"},
        {"page count", [](QByteArray& b) { Patch(b, PageCountAt, quint32(0x7FFFFFFF)); },
         "it declares 2147483647 pages, more than the file has room for"},
        {"element count", [](QByteArray& b) { Patch(b, ElementCountAt, quint32(50'000'000)); },
         "it declares 50000000 elements on page 1, more than the file has room for"},
        {"position", [](QByteArray& b) { Patch(b, FirstElementAt + 8, std::numeric_limits<double>::quiet_NaN()); },
         "element 1 of page 1 lies or reaches beyond 100 m"},
        {"font index", [](QByteArray& b) { Patch(b, FirstElementAt + 40, quint16(9)); }, "element 1 of page 1 uses font 10 of 2"},
        {"kind", [](QByteArray& b) { Patch(b, FirstElementAt + 42, quint8(9)); }, "element 1 of page 1 is of the unknown kind 9"},
        {"text", [](QByteArray& b) { Patch(b, FirstElementAt + 36, quint32(0xFFFFFFF0)); },
         "the text of element 1 of page 1 lies beyond the page's text"},
        {"trailing bytes", [](QByteArray& b) { b.append('\0'); }, "it goes on after its last page"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        QByteArray damaged = sample;
        row.Damage(damaged);
        WriteFile(file, damaged);
        QString error;
        EXPECT_FALSE(TReportDocument::LoadFromFile(file, &error));
        EXPECT_EQ(error, QStringLiteral("The file \"%1\" is not a valid report file: %2.").arg(file, QString::fromLatin1(row.Reason)));
    }
}

// Seeded and bounded: the same mutations on every run, a few seconds in all. Run it under the address
// and undefined-behaviour sanitizers after changing the reader or a writer.
TEST_F(TReportFileTest, MutatedFilesAreRefusedOrExportedThroughEveryWriter)
{
    const QByteArray sample = SampleBytes(Path("sample.rpt"));
    TScriptedPrompt prompt;
    SetPrompt(&prompt);
    RegisterExtraFilters();
    const int writers = int(FilterLibrary().Entries().size());

    std::mt19937 random(20240517);
    const auto below = [&](qsizetype bound) { return qsizetype(random() % quint32(std::max<qsizetype>(bound, 1))); };
    const qint32 words[] = {0, 1, -1, 2, 0x7FFFFFFF, qint32(0x80000000), 67108874, 65535, 1000};
    const double numbers[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                              -1e300, 1e9, -0.0, 99999.5, 15000, 2e6};
    int loaded = 0;
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        QByteArray bytes = sample;
        for (int mutation = 0, count = 1 + int(below(3)); mutation < count; ++mutation) {
            switch (below(5)) {
            case 0:
                bytes[below(bytes.size())] ^= char(1 << below(8));
                break;
            case 1:
                Patch(bytes, below(bytes.size() - 4), words[below(std::size(words))]);
                break;
            case 2:
                Patch(bytes, below(bytes.size() - 8), numbers[below(std::size(numbers))]);
                break;
            case 3:
                bytes.truncate(below(bytes.size()));
                break;
            default:
                bytes.insert(below(bytes.size()), char(random()));
                break;
            }
        }
        const QString file = Path("mutated.rpt");
        WriteFile(file, bytes);
        QString error;
        const std::unique_ptr<TReportDocument> document = TReportDocument::LoadFromFile(file, &error);
        if (!document) {
            EXPECT_TRUE(error.startsWith(QStringLiteral("The file \"%1\" is not a valid report file: ").arg(file)))
                << error.toStdString();
            continue;
        }
        ++loaded;
        const QString folder = m_dir.filePath(QStringLiteral("out%1").arg(round));
        ASSERT_TRUE(QDir().mkdir(folder));
        for (int choice = 1; choice <= writers; ++choice) {
            const QString target = TReportSaver::WithExtension(QDir(folder).filePath(QStringLiteral("r")), choice);
            prompt.Warnings.clear();
            const bool saved = TReportSaver::Save(target, choice, nullptr, document.get(),
                                                  [](const TReportProgress&) { return true; });
            // A refusal (a sheet's limits, say) is one message, and so is a sheet's note on texts it
            // wrote as the nearest letters; either way no temporary file stays.
            if (saved && !prompt.Warnings.isEmpty()) {
                EXPECT_TRUE(prompt.Warnings.first().contains(QLatin1String("cannot store")))
                    << prompt.Warnings.first().toStdString();
            }
            EXPECT_EQ(prompt.Warnings.size(), saved && prompt.Warnings.isEmpty() ? 0 : 1);
            for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
                EXPECT_FALSE(name.contains(QLatin1String(".tmp"))) << name.toStdString();
        }
    }
    // Mutations that only touch texts, colours and flags are accepted: the writers saw real work.
    EXPECT_GT(loaded, 25);
    UnregisterExtraFilters();
    SetPrompt(nullptr);
}
