#include "TJpegWriter.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// JPEG is lossy: colours are compared with a tolerance that still tells black, white and red apart.
void ExpectNear(QRgb actual, QRgb expected)
{
    EXPECT_NEAR(qRed(actual), qRed(expected), 40);
    EXPECT_NEAR(qGreen(actual), qGreen(expected), 40);
    EXPECT_NEAR(qBlue(actual), qBlue(expected), 40);
}

QImage TestPicture(int width, int height, QImage::Format format)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.fillRect(QRect(0, 0, width / 2, height / 2), QColor(255, 0, 0));
    painter.fillRect(QRect(width / 2, height / 2, width / 2, height / 2), Qt::black);
    painter.end();
    return image.convertToFormat(format);
}

} // namespace

TEST(TJpegWriter, WritesColourImagesThatAnotherDecoderReads)
{
    QTemporaryDir dir;
    TJpegWriter writer;
    // One writer for several images, of different sizes and pixel layouts (the page writers feed it
    // 32-bit pages).
    const struct {
        const char* Name;
        int Width;
        int Height;
        QImage::Format Format;
    } rows[] = {
        {"indexed8", 33, 17, QImage::Format_Indexed8},
        {"rgb888", 40, 40, QImage::Format_RGB888},
        {"rgb32", 64, 48, QImage::Format_RGB32},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const QString fileName = dir.filePath(QString::fromLatin1(row.Name) + QStringLiteral(".jpg"));
        ASSERT_TRUE(writer.Save(TestPicture(row.Width, row.Height, row.Format), fileName));
        EXPECT_TRUE(writer.ErrorString().isEmpty());
        const QImage decoded(fileName, "JPEG");
        ASSERT_FALSE(decoded.isNull());
        EXPECT_EQ(decoded.size(), QSize(row.Width, row.Height));
        EXPECT_FALSE(decoded.isGrayscale());
        ExpectNear(decoded.pixel(row.Width / 4, row.Height / 4), qRgb(255, 0, 0));
        ExpectNear(decoded.pixel(row.Width * 3 / 4, row.Height / 4), qRgb(255, 255, 255));
        ExpectNear(decoded.pixel(row.Width * 3 / 4, row.Height * 3 / 4), qRgb(0, 0, 0));
    }
}

TEST(TJpegWriter, ReportsAFileThatCannotBeWrittenAndStaysUsable)
{
    QTemporaryDir dir;
    const QString blocked = dir.filePath(QStringLiteral("page.jpg"));
    ASSERT_TRUE(QDir().mkdir(blocked));
    TJpegWriter writer;
    EXPECT_FALSE(writer.Save(TestPicture(20, 20, QImage::Format_RGB32), blocked));
    EXPECT_FALSE(writer.ErrorString().isEmpty());
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList());

    EXPECT_FALSE(writer.Save(QImage(), dir.filePath(QStringLiteral("null.jpg"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("null.jpg"))));

    // Beyond the format's limits the library itself refuses, without ending the program.
    const QString tooWide = dir.filePath(QStringLiteral("wide.jpg"));
    EXPECT_FALSE(writer.Save(TestPicture(70000, 2, QImage::Format_RGB32), tooWide));
    EXPECT_TRUE(writer.ErrorString().contains(QStringLiteral("65500"))) << writer.ErrorString().toStdString();
    EXPECT_FALSE(QFile::exists(tooWide));

    // A failure leaves the compressor ready for the next page.
    const QString good = dir.filePath(QStringLiteral("good.jpg"));
    EXPECT_TRUE(writer.Save(TestPicture(20, 20, QImage::Format_RGB32), good));
    EXPECT_EQ(QImage(good).size(), QSize(20, 20));
}
