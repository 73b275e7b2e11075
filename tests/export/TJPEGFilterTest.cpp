#include "PageImageTestSupport.h"

#include "EExportError.h"
#include "TBMPFilter.h"
#include "TJPEGFilter.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

using namespace PageImageTest;

namespace {

using TFactory = std::function<std::unique_ptr<TExtraFilter>(const QString&)>;

struct TWriterCase
{
    const char* Name;
    QString Extension;
    TFactory Create;
    int Slack; // JPEG is decoded by another decoder: its edges get a pixel of slack
};

void PrintTo(const TWriterCase& row, std::ostream* os)
{
    *os << row.Name;
}

class TPageImageWriters : public ::testing::TestWithParam<TWriterCase>
{
protected:
    QString PagePath(int page) const
    {
        return m_dir.filePath(QStringLiteral("IMG%1").arg(page, 4, 10, QLatin1Char('0')) + GetParam().Extension);
    }
    std::unique_ptr<TExtraFilter> Create() const
    {
        return GetParam().Create(m_dir.filePath(QStringLiteral("rep") + GetParam().Extension));
    }
    QTemporaryDir m_dir;
};

} // namespace

TEST_P(TPageImageWriters, DrawEachAlignmentAroundItsAnchor)
{
    const QString text = QStringLiteral("WHW 1234");
    const double anchor = 1000;
    const double nearEdge = LetterWidth - 20;
    auto filter = Create();
    RunReport(*filter, {
                           {{anchor, 300, taLeftJustify, text}},
                           {{anchor, 300, taRightJustify, text}},
                           {{anchor, 300, taCenter, text}},
                           {{nearEdge, 300, taRightJustify, text}},
                       });
    QList<QRect> bounds;
    for (int page = 1; page <= 4; ++page) {
        const QImage image(PagePath(page));
        ASSERT_EQ(image.size(), QSize(816, 1056));
        bounds.append(DarkBounds(image));
    }
    const QRect left = bounds[0], right = bounds[1], centre = bounds[2], edge = bounds[3];
    const int x = ToPixels(anchor);
    const int slack = GetParam().Slack;
    ASSERT_FALSE(left.isEmpty());

    EXPECT_GE(left.left(), x - slack);
    EXPECT_LE(left.left(), x + 3);
    EXPECT_GE(left.top(), ToPixels(300));
    EXPECT_LE(left.top(), ToPixels(300) + 10);

    // Right-aligned text ends at its anchor, whole; it does not start there.
    EXPECT_LE(right.right(), x + slack);
    EXPECT_GE(right.right(), x - 4);
    EXPECT_NEAR(right.width(), left.width(), 1 + slack);
    EXPECT_EQ(right.top(), left.top());

    EXPECT_NEAR((centre.left() + centre.right()) / 2.0, x, 2 + slack);
    EXPECT_NEAR(centre.width(), left.width(), 1 + slack);

    // Near the paper's edge nothing is cut off.
    EXPECT_LE(edge.right(), ToPixels(nearEdge) + slack);
    EXPECT_NEAR(edge.width(), left.width(), 1 + slack);
}

TEST_P(TPageImageWriters, ReportAPageThatCannotBeWrittenAndLeaveTheFolderAsItWas)
{
    // A folder in the way of the second page's file.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QFileInfo(PagePath(2)).fileName()));
    auto filter = Create();
    try {
        RunReport(*filter, ThreePages);
        FAIL() << "no error raised";
    } catch (const EExportError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("File Error: %1 (It is a folder)").arg(PagePath(2)));
    }
    filter.reset();
    // The first page was written but is never put in place without the rest.
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

INSTANTIATE_TEST_SUITE_P(
    Writers, TPageImageWriters,
    ::testing::Values(
        TWriterCase {"Bitmap", QStringLiteral(".bmp"),
                     [](const QString& name) { return std::make_unique<TBMPFilter>(name); }, 0},
        TWriterCase {"BitmapWriterAsJpeg", QStringLiteral(".jpeg"),
                     [](const QString& name) { return std::make_unique<TBMPFilter>(name); }, 1},
        TWriterCase {"Jpeg", QStringLiteral(".jpg"),
                     [](const QString& name) { return std::make_unique<TJPEGFilter>(name); }, 1}),
    [](const ::testing::TestParamInfo<TWriterCase>& info) { return std::string(info.param.Name); });
