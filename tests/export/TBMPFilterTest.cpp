#include "PageImageTestSupport.h"

#include "CodePages.h"
#include "EExportError.h"
#include "ExportThreads.h"
#include "TBMPFilter.h"
#include "TExtraOptions.h"
#include "TJPEGFilter.h"
#include "TTextMeasurer.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace PageImageTest;

namespace {

struct TNamingCase
{
    const char* Name;
    bool JpegFilter;
    QString Chosen;
    bool UseFileName;
    QStringList Expected;
    QString Kind;
};

void PrintTo(const TNamingCase& row, std::ostream* os)
{
    *os << row.Name;
}

class TPageImageNaming : public ::testing::TestWithParam<TNamingCase>
{
protected:
    void TearDown() override { FreeExtraOptions(); }
};

TEST_P(TPageImageNaming, WritesOneFilePerPageInTheFormatTheWriterChooses)
{
    const TNamingCase& row = GetParam();
    QTemporaryDir dir;
    ExtraOptions().BMP.UseFileName = row.UseFileName;
    ExtraOptions().JPEG.UseFileName = row.UseFileName;
    std::unique_ptr<TExtraFilter> filter;
    if (row.JpegFilter)
        filter = std::make_unique<TJPEGFilter>(dir.filePath(row.Chosen));
    else
        filter = std::make_unique<TBMPFilter>(dir.filePath(row.Chosen));
    RunReport(*filter, ThreePages);

    // The chosen file only names the pages and does not remain.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files, QDir::Name), row.Expected);
    for (const QString& name : row.Expected)
        EXPECT_EQ(FileKind(dir.filePath(name)), row.Kind) << name.toStdString();
}

const QString Bmp = QStringLiteral("BMP");
const QString Jpeg = QStringLiteral("JPEG");

INSTANTIATE_TEST_SUITE_P(
    Names, TPageImageNaming,
    ::testing::Values(
        TNamingCase {"BitmapLowerBmp", false, QStringLiteral("rep.bmp"), false,
                     {QStringLiteral("IMG0001.bmp"), QStringLiteral("IMG0002.bmp")}, Bmp},
        TNamingCase {"BitmapUpperBmp", false, QStringLiteral("rep.BMP"), false,
                     {QStringLiteral("IMG0001.BMP"), QStringLiteral("IMG0002.BMP")}, Bmp},
        TNamingCase {"BitmapJpeg", false, QStringLiteral("rep.jpeg"), false,
                     {QStringLiteral("IMG0001.jpeg"), QStringLiteral("IMG0002.jpeg")}, Jpeg},
        TNamingCase {"BitmapMixedCaseJpg", false, QStringLiteral("rep.Jpg"), false,
                     {QStringLiteral("IMG0001.Jpg"), QStringLiteral("IMG0002.Jpg")}, Jpeg},
        TNamingCase {"BitmapOtherExtensionSavesNothing", false, QStringLiteral("rep.txt"), false, {}, QString()},
        TNamingCase {"BitmapNoExtensionSavesNothing", false, QStringLiteral("rep"), false, {}, QString()},
        TNamingCase {"BitmapUseFileName", false, QStringLiteral("rep.bmp"), true,
                     {QStringLiteral("rep0001.bmp"), QStringLiteral("rep0002.bmp")}, Bmp},
        TNamingCase {"JpegUpperJpg", true, QStringLiteral("pages.JPG"), false,
                     {QStringLiteral("IMG0001.JPG"), QStringLiteral("IMG0002.JPG")}, Jpeg},
        // The JPEG writer does not look at the extension.
        TNamingCase {"JpegAnyExtension", true, QStringLiteral("pages.bmp"), false,
                     {QStringLiteral("IMG0001.bmp"), QStringLiteral("IMG0002.bmp")}, Jpeg},
        TNamingCase {"JpegUseFileName", true, QStringLiteral("pages.jpeg"), true,
                     {QStringLiteral("pages0001.jpeg"), QStringLiteral("pages0002.jpeg")}, Jpeg}),
    [](const ::testing::TestParamInfo<TNamingCase>& info) { return std::string(info.param.Name); });

// Draws every label into half its measured width, to show the drawing is clipped to the rectangle.
class TNarrowingBMPFilter : public TBMPFilter
{
public:
    using TBMPFilter::TBMPFilter;

protected:
    void WriteBand(TReportBand& band) override
    {
        for (TReportItem* item : band)
            item->Width /= 2;
        TBMPFilter::WriteBand(band);
    }
};

// Cannot encode its second page, on whichever render thread draws it.
class TFailingEncodingFilter : public TJPEGFilter
{
public:
    using TJPEGFilter::TJPEGFilter;

protected:
    TPageEncoding PageEncoding() const override
    {
        return [jpeg = TJPEGFilter::PageEncoding()](const QImage& page, const QString& fileName,
                                                    TPageEncoder& encoder, QByteArray& file) {
            if (fileName.endsWith(QLatin1String("IMG0002.jpg")))
                throw EExportError(QStringLiteral("File Error: %1 (Not enough memory)").arg(fileName));
            jpeg(page, fileName, encoder, file);
        };
    }
};

quint32 UInt32At(const QByteArray& data, int offset)
{
    return qFromLittleEndian<quint32>(data.constData() + offset);
}

} // namespace

TEST(TBMPFilter, WritesEightBitPalettisedPagesOfThePaperSize)
{
    const struct {
        const char* Name;
        int PaperWidth;
        int PaperHeight;
        QSize Pixels;
    } rows[] = {
        {"Letter", LetterWidth, LetterHeight, QSize(816, 1056)},
        {"A4", 2100, 2970, QSize(793, 1122)},
    };
    static const TFont red {QStringLiteral("Arial"), 20, true, false, false, false, clRed};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        QTemporaryDir dir;
        TBMPFilter filter(dir.filePath(QStringLiteral("rep.bmp")));
        RunReport(filter, {{{200, 200, taLeftJustify, QStringLiteral("Activity report")},
                            {200, 400, taLeftJustify, QStringLiteral("Red on yellow"), &red, clYellow}}},
                  row.PaperWidth, row.PaperHeight);

        QFile file(dir.filePath(QStringLiteral("IMG0001.bmp")));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray data = file.readAll();
        ASSERT_GE(data.size(), 54);
        EXPECT_EQ(UInt32At(data, 2), quint32(data.size()));
        EXPECT_EQ(qFromLittleEndian<quint16>(data.constData() + 28), 8); // bits per pixel
        EXPECT_EQ(UInt32At(data, 30), 0u);                                 // uncompressed
        const int stride = (row.Pixels.width() + 3) & ~3;
        EXPECT_EQ(UInt32At(data, 10) + quint32(stride * row.Pixels.height()), quint32(data.size()));

        // The palette holds the page's colours exactly.
        const QImage page = QImage::fromData(data, "BMP");
        ASSERT_EQ(page.size(), row.Pixels);
        EXPECT_EQ(page.format(), QImage::Format_Indexed8);
        for (const QRgb colour : {qRgb(255, 255, 255), qRgb(0, 0, 0), qRgb(255, 0, 0), qRgb(255, 255, 0)})
            EXPECT_TRUE(page.colorTable().contains(colour)) << std::hex << colour;
        EXPECT_EQ(page.pixel(ToPixels(200) + 1, ToPixels(400) + 1), qRgb(255, 255, 0));
    }

    // Antialiased text in 40 colours has far more than 256 pixel values: the page is reduced to them.
    QList<TFont> fonts;
    TPage manyColours;
    for (int i = 0; i < 40; ++i)
        fonts.append(TFont {QStringLiteral("Arial"), 14, false, false, false, false, TColor(i * 6 | (255 - i * 6) << 16)});
    for (int i = 0; i < 40; ++i)
        manyColours.append({100, 100.0 + i * 60, taLeftJustify, QStringLiteral("Colour %1 WMWMWM").arg(i), &fonts[i]});
    QTemporaryDir dir;
    TBMPFilter filter(dir.filePath(QStringLiteral("rep.bmp")));
    RunReport(filter, {manyColours});
    const QImage page(dir.filePath(QStringLiteral("IMG0001.bmp")));
    EXPECT_EQ(page.format(), QImage::Format_Indexed8);
    EXPECT_NEAR(DarkBounds(page, 200).left(), ToPixels(100), 2);
}

TEST(TBMPFilter, DrawsLaterItemsOverEarlierOnesClippedToTheirRectangle)
{
    static const TFont redText {QStringLiteral("Arial"), 20, false, false, false, false, clRed};
    const QString wide = QStringLiteral("WWWWWWWW");
    const QString narrow = QStringLiteral("IIII");
    TTextMeasurer measurer;
    const int wideWidth = measurer.TextWidth(DefaultFont(), wide);
    QTemporaryDir dir;
    TNarrowingBMPFilter filter(dir.filePath(QStringLiteral("rep.bmp")));
    RunReport(filter, {{
                          {200, 200, taLeftJustify, wide},
                          {200, 600, taLeftJustify, wide},
                          {200, 600, taLeftJustify, narrow, &redText, clAqua},
                      }});
    const QImage page(dir.filePath(QStringLiteral("IMG0001.bmp")));
    ASSERT_EQ(page.size(), QSize(816, 1056));

    // The first label stops at the edge of its halved rectangle.
    const QRect first = DarkBounds(page.copy(0, 0, 816, ToPixels(400)));
    EXPECT_LE(first.right(), ToPixels(200) + wideWidth / 2);
    EXPECT_GE(first.right(), ToPixels(200) + wideWidth / 2 - 12);

    // The third label's background hides the black text under its rectangle and nothing beyond.
    QRect aqua;
    for (int y = ToPixels(600); y < ToPixels(600) + 30; ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixel(x, y) == qRgb(0, 255, 255))
                aqua |= QRect(x, y, 1, 1);
    ASSERT_FALSE(aqua.isEmpty());
    EXPECT_EQ(aqua.left(), ToPixels(200));
    EXPECT_LE(aqua.width(), measurer.TextWidth(redText, narrow) / 2);
    const QRect blackUnder = DarkBounds(page.copy(aqua), 40);
    const QRect blackBeside = DarkBounds(page.copy(aqua.right() + 1, aqua.top(), 200, aqua.height()), 40);
    EXPECT_TRUE(blackUnder.isEmpty());
    EXPECT_FALSE(blackBeside.isEmpty());
}

TEST(TBMPFilter, DrawsNamesBeyondTheCodePageInsteadOfQuestionMarks)
{
    // Each name against the same name as code page 1252 would have it: a "?" for every letter it lacks.
    const char* const names[] = {
        "\xC5\x81ukasz Wa\xC5\x82\xC4\x99sa",
        "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB5\xD0\xB2",
        "\xCE\xA0\xCE\xB1\xCF\x80\xCE\xB1\xCE\xB4\xCF\x8C\xCF\x80\xCE\xBF\xCF\x85\xCE\xBB\xCE\xBF\xCF\x82",
        "Nguy\xE1\xBB\x85n Th\xE1\xBB\x8B",
        "\xE5\xB1\xB1\xE7\x94\xB0",
    };
    QTemporaryDir dir;
    for (const char* utf8 : names) {
        const QString name = QString::fromUtf8(utf8);
        SCOPED_TRACE(utf8);
        QImage pages[2];
        const QString texts[2] = {name, FromCodePage1252(ToCodePage1252(name))};
        for (int i = 0; i < 2; ++i) {
            TBMPFilter filter(dir.filePath(QStringLiteral("rep.bmp")));
            RunReport(filter, {{{200, 200, taLeftJustify, texts[i]}}});
            pages[i] = QImage(dir.filePath(QStringLiteral("IMG0001.bmp"))).convertToFormat(QImage::Format_RGB32);
        }
        const QRect drawn = DarkBounds(pages[0]);
        ASSERT_FALSE(drawn.isEmpty());
        EXPECT_NE(pages[0], pages[1]);
        // The name starts at its place and stays on its line.
        EXPECT_NEAR(drawn.left(), ToPixels(200), 4);
        EXPECT_LT(drawn.height(), 30);
    }
}

TEST(TBMPFilter, WritesOtherPixelFormatsThroughTheToolkitsBitmapWriter)
{
    const struct {
        TPixelFormat Format;
        int Depth;
    } rows[] = {{pf1bit, 1}, {pf24bit, 24}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Depth);
        ExtraOptions().BMP.PixelFormat = row.Format;
        QTemporaryDir dir;
        TBMPFilter filter(dir.filePath(QStringLiteral("rep.bmp")));
        RunReport(filter, {{{200, 300, taLeftJustify, QStringLiteral("Karate")}}});
        const QString page = dir.filePath(QStringLiteral("IMG0001.bmp"));
        const QByteArray data = [&] {
            QFile file(page);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        ASSERT_GT(data.size(), 54);
        EXPECT_EQ(qFromLittleEndian<quint16>(data.constData() + 28), row.Depth);
        EXPECT_EQ(QImage(page).size(), QSize(816, 1056));
    }
    FreeExtraOptions();
}

TEST(TPageImageFilter, AFailureOnARenderThreadStopsTheExportAndLeavesTheFolderAsItWas)
{
    SetExportThreads(3);
    QList<TPage> pages;
    for (int page = 1; page <= 12; ++page)
        pages.append({{200, 200, taLeftJustify, QStringLiteral("Page %1").arg(page)}});
    QTemporaryDir dir;
    QString error;
    try {
        TFailingEncodingFilter filter(dir.filePath(QStringLiteral("rep.jpg")));
        RunReport(filter, pages);
    } catch (const EExportError& e) {
        error = e.Message();
    }
    SetExportThreads(-1);
    EXPECT_EQ(error, QStringLiteral("File Error: %1 (Not enough memory)").arg(dir.filePath(QStringLiteral("IMG0002.jpg"))));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}
