// The program started on a saved report: the same start-up gate, then the preview alone.
#include "TAppClub.h"
#include "TestFiles.h"

#include "Application.h"
#include "ReportViewer.h"
#include "TPreviewWindow.h"
#include "TReportDocument.h"

#include <QApplication>
#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

class ReportViewer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        TReportDocument document;
        const quint16 font = document.AddFont(TFont());
        for (int number = 1; number <= 3; ++number) {
            TReportPage page(number);
            page.AddText(100, 100, 400, 40, font, taLeftJustify, clWhite, QStringLiteral("Page %1").arg(number));
            document.AddPage(std::move(page));
        }
        QString error;
        ASSERT_TRUE(document.SaveToFile(FileName, &error)) << error.toStdString();
    }
    void TearDown() override
    {
        // The gate's terminate request is a queued quit; it must not reach the next event loop.
        QCoreApplication::processEvents();
        ResetTerminateRequest();
    }

    // Runs the viewer as user `argument`; `onShown` sees the preview once it is up and closes it.
    int View(const QString& argument, const QString& fileName, std::function<void(TPreviewWindow&)> onShown = {})
    {
        SetFirstArgument(argument);
        ResetTerminateRequest();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* window = qobject_cast<TPreviewWindow*>(widget); window && window->isVisible()) {
                    if (onShown)
                        onShown(*window);
                    window->close();
                }
        });
        poll.start(10);
        return ViewReportFile(fileName);
    }

    TAppClub Club;
    QString FileName = Club.Folder() + QStringLiteral("/week.rpt");
};

} // namespace

TEST_F(ReportViewer, ShowsTheSavedReportToAUserWhoHoldsTheRight)
{
    int pages = 0;
    QString title;
    EXPECT_EQ(View(QStringLiteral("1"), FileName, [&](TPreviewWindow& window) {
                  pages = window.PageCount();
                  title = window.windowTitle();
              }),
              0);
    EXPECT_EQ(pages, 3);
    EXPECT_EQ(title, QStringLiteral("Print Preview"));
    EXPECT_TRUE(Club.Prompt.Warnings.isEmpty());
}

TEST_F(ReportViewer, ARefusedUserSeesNothing)
{
    bool shown = false;
    EXPECT_EQ(View(QStringLiteral("99"), FileName, [&](TPreviewWindow&) { shown = true; }), 2);
    EXPECT_FALSE(shown);
    EXPECT_EQ(Club.Prompt.ModalCount, 0);
}

TEST_F(ReportViewer, AFileThatIsNoReportIsNamedWithTheReason)
{
    const QString bad = Club.Folder() + QStringLiteral("/notes.rpt");
    WriteFile(bad, "shopping list");
    QString reason;
    ASSERT_FALSE(TReportDocument::LoadFromFile(bad, &reason));

    bool shown = false;
    EXPECT_EQ(View(QStringLiteral("1"), bad, [&](TPreviewWindow&) { shown = true; }), 5);
    EXPECT_FALSE(shown);
    EXPECT_EQ(Club.Prompt.Warnings, QStringList{reason});
}
