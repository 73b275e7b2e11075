// How calendar cells look: the model's answers for text placement and colour bars, then pixels of
// an offscreen rendering for the selection, blocked days, grid lines, day colours, text lines and bars.
#include <TVellCalendar.h>

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

struct TPlacementRow
{
    const char* Name;
    int Row;
    TVellText Placement;
    QPoint TopLeft;
    bool Clipped;
};

class TVellCalendarTextPlacement : public ::testing::TestWithParam<TPlacementRow>
{};

// A 40 × 20 cell at (100, 50) and a 9 × 7 text.
TEST_P(TVellCalendarTextPlacement, PutsTheTextWhereThePlacementSays)
{
    const TPlacementRow& row = GetParam();
    TVellCalendarModel model;
    model.SetCalendarDate(EncodeDate(2025, 1, 15));
    model.UpdateLayout();
    model.SetTextPlacement(row.Placement);
    const QPoint day10 = model.CellForDay(10);
    const int col = row.Row == 0 ? 3 : day10.x();
    const int cellRow = row.Row == 0 ? 0 : day10.y();
    const TVellCalendarModel::TTextSpot spot = model.TextPosition(cellRow, col, QRect(100, 50, 40, 20), 9, 7);
    EXPECT_EQ(spot.TopLeft, row.TopLeft);
    EXPECT_EQ(spot.Clipped, row.Clipped);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, TVellCalendarTextPlacement,
    ::testing::Values(
        // Halves are truncated: (40 - 9) / 2 = 15, (20 - 7) / 2 = 6.
        TPlacementRow{"HeaderIsCentredWhateverThePlacement", 0, vtTopRight, QPoint(115, 56), true},
        TPlacementRow{"CenterIsNotClipped", 1, vtCenter, QPoint(115, 56), false},
        TPlacementRow{"TopLeft", 1, vtTopLeft, QPoint(101, 51), true},
        TPlacementRow{"TopRight", 1, vtTopRight, QPoint(129, 51), true},
        TPlacementRow{"LowerLeft", 1, vtLowerLeft, QPoint(101, 62), true},
        TPlacementRow{"LowerRight", 1, vtLowerRight, QPoint(129, 62), true}),
    [](const auto& info) { return std::string(info.param.Name); });

TEST(TVellCalendarModel, StacksColourBarsUpwardFromTwoPixelsAboveTheBottom)
{
    TVellCalendarModel model;
    model.SetCalendarDate(EncodeDate(2025, 1, 15));
    model.UpdateLayout();
    model.AddColorBar(5, Qt::red);
    model.AddColorBar(6, Qt::black); // another day's bar is not collected
    model.AddColorBar(5, Qt::green);
    model.AddColorBar(5, Qt::blue);
    const QPoint cell = model.CellForDay(5);
    // 15-pixel cell, 8-pixel text: (15 - 1 - 8) / 3 = 2.
    const auto bars = model.BarRects(cell.y(), cell.x(), QRect(10, 100, 30, 15), 8);
    ASSERT_EQ(bars.size(), 3);
    EXPECT_EQ(bars[0].Rect, QRect(11, 111, 28, 2));
    EXPECT_EQ(bars[0].Color, QColor(Qt::red));
    EXPECT_EQ(bars[1].Rect, QRect(11, 109, 28, 2));
    EXPECT_EQ(bars[2].Rect, QRect(11, 107, 28, 2));
    EXPECT_EQ(bars[2].Color, QColor(Qt::blue));

    // Tall cells cap the bar height at 10, crowded ones keep at least 1 pixel.
    const auto tall = model.BarRects(cell.y(), cell.x(), QRect(0, 0, 30, 100), 8);
    EXPECT_EQ(tall[0].Rect.height(), 10);
    const auto crowded = model.BarRects(cell.y(), cell.x(), QRect(0, 0, 30, 10), 8);
    EXPECT_EQ(crowded[0].Rect.height(), 1);
}

TEST(TVellCalendarModel, FitsTextLinesBelowTheDayNumber)
{
    EXPECT_EQ(TVellCalendarModel::TextLineCount(QRect(0, 0, 40, 40), 13, 9), 3);
    EXPECT_EQ(TVellCalendarModel::TextLineCount(QRect(0, 0, 40, 10), 13, 9), 0);
    EXPECT_EQ(TVellCalendarModel::TextLineCount(QRect(0, 0, 40, 400), 13, 9), 10);
}

// --- pixels ---

constexpr QRgb White = 0xFFFFFFFF;
constexpr QRgb Black = 0xFF000000;

QFont PlainFont(int pointSize)
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSize(pointSize);
    font.setStyleStrategy(QFont::NoAntialias); // text pixels in exactly the text colour
    return font;
}

bool HasPixel(const QImage& image, const QRect& area, QRgb color)
{
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == color)
                return true;
    return false;
}

class TVellCalendarPaint : public ::testing::Test
{
protected:
    void SetUp() override
    {
        SetClock([] { return QDateTime(QDate(2025, 1, 15), QTime(10, 0)); });
        form.resize(400, 300);
        auto* layout = new QVBoxLayout(&form);
        other = new QLineEdit(&form);
        calendar = new TVellCalendar(&form);
        layout->addWidget(other);
        calendar->setParent(&form); // not in the layout: its size is ours
        calendar->SetBorderStyle(TCustomGrid::bsNone);
        calendar->setFont(PlainFont(8));
        calendar->SetTitleFont(PlainFont(8));
        calendar->SetTextFont(PlainFont(8));
        calendar->Loaded();
        calendar->SetHighlight(QColor(0x00, 0x00, 0x80));
        calendar->SetHighlightText(QColor(0xFF, 0xFF, 0xFF));
        calendar->resize(317, 121);
        form.show(); // so later resizes reach the calendar at once
    }
    void TearDown() override { SetClock({}); }

    QImage Render()
    {
        QImage image(calendar->size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        calendar->render(&image);
        return image;
    }
    QRect DayRect(int day) const
    {
        const QPoint cell = calendar->Model().CellForDay(day);
        return calendar->CellRect(cell.x(), cell.y());
    }

    QWidget form;
    QLineEdit* other = nullptr;
    TVellCalendar* calendar = nullptr;
};

TEST_F(TVellCalendarPaint, FocusedSelectionShowsHighlightColoursAndFocusFrame)
{
    calendar->setFocus();
    ASSERT_TRUE(calendar->IsActiveControl());
    const QImage image = Render();
    const QRect r = DayRect(15);
    EXPECT_EQ(image.pixel(r.right() - 2, r.bottom() - 2), calendar->Highlight().rgb());
    EXPECT_TRUE(HasPixel(image, r.adjusted(1, 1, -1, -1), White)); // the number in highlight text
    EXPECT_FALSE(HasPixel(image, r.adjusted(1, 1, -1, -1), Black));
    // The dotted frame inverts every other pixel of the cell's edge.
    int inverted = 0;
    for (int x = r.left(); x <= r.right(); ++x)
        inverted += image.pixel(x, r.top()) != calendar->Highlight().rgb() ? 1 : 0;
    EXPECT_NEAR(inverted, r.width() / 2, 1);
}

TEST_F(TVellCalendarPaint, UnfocusedSelectionKeepsHighlightWithBlackNumber)
{
    other->setFocus();
    ASSERT_FALSE(calendar->IsActiveControl());
    const QImage image = Render();
    const QRect r = DayRect(15);
    EXPECT_EQ(image.pixel(r.right() - 2, r.bottom() - 2), calendar->Highlight().rgb());
    for (int x = r.left(); x <= r.right(); ++x) // no focus frame
        ASSERT_EQ(image.pixel(x, r.top()), calendar->Highlight().rgb());
    EXPECT_TRUE(HasPixel(image, r, Black));
    EXPECT_FALSE(HasPixel(image, r, White));
}

TEST_F(TVellCalendarPaint, InactiveCalendarShowsNoSelection)
{
    calendar->setFocus();
    calendar->SetIsActive(false);
    const QImage image = Render();
    const QRect r = DayRect(15);
    EXPECT_EQ(image.pixel(r.right() - 2, r.bottom() - 2), White);
    EXPECT_EQ(image.pixel(r.left(), r.top()), White);
}

TEST_F(TVellCalendarPaint, BlockedDayWinsOverItsOwnColours)
{
    calendar->SetDayColor(20, Qt::yellow);
    calendar->SetDayFontColor(20, Qt::red);
    calendar->SetBlockedDay(20, true);
    calendar->SetDayColor(21, Qt::yellow);
    const QImage image = Render();
    const QRect blocked = DayRect(20);
    EXPECT_EQ(image.pixel(blocked.right() - 1, blocked.bottom() - 1), calendar->BlockedBkGnd().rgb());
    EXPECT_TRUE(HasPixel(image, blocked, calendar->BlockedFrGnd().rgb()));
    EXPECT_FALSE(HasPixel(image, blocked, QColor(Qt::red).rgb()));
    const QRect coloured = DayRect(21);
    EXPECT_EQ(image.pixel(coloured.right() - 1, coloured.bottom() - 1), QColor(Qt::yellow).rgb());
    EXPECT_TRUE(HasPixel(image, coloured, Black));
}

TEST_F(TVellCalendarPaint, GridLinesOffVanishInTheBodyButNotInTheHeader)
{
    const QRect body = DayRect(8);
    const QRect header = calendar->CellRect(2, 0);
    QImage image = Render();
    EXPECT_EQ(image.pixel(body.right() + 1, body.center().y()), calendar->GridLineColor().rgb());
    calendar->SetShowGridLines(false);
    image = Render();
    EXPECT_EQ(image.pixel(body.right() + 1, body.center().y()), calendar->CellColor().rgb());
    EXPECT_EQ(image.pixel(body.center().x(), body.bottom() + 1), calendar->CellColor().rgb());
    EXPECT_EQ(image.pixel(header.center().x(), header.bottom() + 1), Black);
    EXPECT_EQ(image.pixel(header.right() + 1, header.center().y()), Black);
    // The 3-D header: white lines on its left and top edges.
    EXPECT_EQ(image.pixel(header.left(), header.center().y()), White);
    EXPECT_EQ(image.pixel(header.center().x(), header.top()), White);
}

TEST_F(TVellCalendarPaint, TodayTakesTodayColourOnlyWhenOrderedSo)
{
    calendar->SetDay(20);
    calendar->SetTodayColor(Qt::red);
    const QRect today = DayRect(15);
    EXPECT_FALSE(HasPixel(Render(), today, QColor(Qt::red).rgb()));
    calendar->SetColorOrder(vcaTodayColor);
    EXPECT_TRUE(HasPixel(Render(), today, QColor(Qt::red).rgb()));
}

TEST_F(TVellCalendarPaint, ThreeColourBarsOfTwoPixelsInAFifteenPixelCell)
{
    // An 8-pixel text line height makes b = (15 - 1 - 8) / 3 = 2.
    QFont small(QStringLiteral("Liberation Serif"));
    small.setPixelSize(7);
    ASSERT_EQ(QFontMetrics(small).height(), 8);
    calendar->SetTextFont(small);
    calendar->resize(317, calendar->HeaderHeight() + 6 + 6 * 15);
    calendar->SetShowColorBars(true);
    calendar->AddColorBar(5, Qt::red);
    calendar->AddColorBar(5, Qt::green);
    calendar->AddColorBar(5, Qt::blue);
    const QImage image = Render();
    const QRect r = DayRect(5);
    ASSERT_EQ(r.height(), 15);
    const int b = r.top() + r.height(); // bottom edge, exclusive
    const struct
    {
        int Y;
        QRgb Color;
    } rows[] = {{b - 1, White}, {b - 2, White}, {b - 3, QColor(Qt::red).rgb()}, {b - 4, QColor(Qt::red).rgb()},
                {b - 5, QColor(Qt::green).rgb()}, {b - 6, QColor(Qt::green).rgb()},
                {b - 7, QColor(Qt::blue).rgb()}, {b - 8, QColor(Qt::blue).rgb()}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Y - r.top());
        EXPECT_EQ(image.pixel(r.left() + 1, row.Y), row.Color);
        EXPECT_EQ(image.pixel(r.right() - 1, row.Y), row.Color);
        EXPECT_EQ(image.pixel(r.left(), row.Y), White);
    }
}

TEST_F(TVellCalendarPaint, TextLinesTakeTheirColourSets)
{
    calendar->resize(317, 320);
    calendar->SetTextInCell(true);
    calendar->SetColorCellText(true);
    calendar->SetDayText(8, 1, QStringLiteral("Swim"));
    calendar->SetDayTextColorSet(8, 1, 9); // red
    calendar->SetDayText(8, 2, QStringLiteral("Gym"));
    calendar->SetDayTextColorSet(8, 2, 2); // blue
    const QImage image = Render();
    const QRect r = DayRect(8);
    const int firstLine = r.top() + QFontMetrics(calendar->font()).height() + 1;
    const int lineHeight = QFontMetrics(calendar->TextFont()).height();
    EXPECT_TRUE(HasPixel(image, QRect(r.left(), firstLine, r.width(), lineHeight), QColor(Qt::red).rgb()));
    EXPECT_TRUE(HasPixel(image, QRect(r.left(), firstLine + lineHeight, r.width(), lineHeight), QColor(Qt::blue).rgb()));
    EXPECT_FALSE(HasPixel(image, QRect(r.left(), r.top(), r.width(), firstLine - r.top()), QColor(Qt::red).rgb()));
}

} // namespace
