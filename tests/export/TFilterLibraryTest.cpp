#include "ExtraFilters.h"
#include "TExtraOptions.h"
#include "TFilterLibrary.h"
#include "TWK1Filter.h"
#include "TXLSFilter.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {

QStringList Names(const TFilterLibrary& library)
{
    QStringList names;
    for (const TFilterEntry& entry : library.Entries())
        names.append(entry.DisplayName + QStringLiteral(" *.") + entry.FileExtension);
    return names;
}

// Every test starts and ends with an empty process-wide library and fresh options.
class TFilterLibraryTest : public ::testing::Test
{
protected:
    void SetUp() override { FilterLibrary().Clear(); }
    void TearDown() override
    {
        FilterLibrary().Clear();
        FreeExtraOptions();
    }
};

} // namespace

TEST_F(TFilterLibraryTest, ExtraFiltersRegisterInTheSaveDialogsOrder)
{
    RegisterExtraFilters();
    RegisterExtraFilters(); // a class is listed once
    EXPECT_EQ(Names(FilterLibrary()),
              (QStringList{QStringLiteral("Lotus 123 File *.WK1"), QStringLiteral("Quattro File *.WQ1"),
                           QStringLiteral("Excel File *.XLS"), QStringLiteral("Bitmap File *.BMP"),
                           QStringLiteral("JPEG File *.JPG"), QStringLiteral("RTF File *.RTF"),
                           QStringLiteral("HTML File *.HTM"), QStringLiteral("CSS2 File *.HTM"),
                           QStringLiteral("Adobe PDF File *.PDF")}));

    const std::unique_ptr<TExtraFilter> filter = FilterLibrary().Entries()[2].Create(QStringLiteral("/tmp/a.xls"));
    EXPECT_EQ(filter->FileName(), QStringLiteral("/tmp/a.xls"));
    EXPECT_EQ(filter->Description(), QStringLiteral("Excel File"));

    UnregisterExtraFilters();
    EXPECT_TRUE(FilterLibrary().Entries().isEmpty());
}

TEST_F(TFilterLibraryTest, UnregisterRemovesTheFirstEntryOfThatName)
{
    TFilterLibrary library;
    library.RegisterFilterClass(QStringLiteral("TXLSFilter"), TFilterLibrary::Factory<TXLSFilter>());
    library.RegisterFilterClass(QStringLiteral("TWK1Filter"), TFilterLibrary::Factory<TWK1Filter>());
    library.UnregisterFilterClass(TFilterLibrary::Factory<TXLSFilter>());
    EXPECT_EQ(Names(library), QStringList{QStringLiteral("Lotus 123 File *.WK1")});
    library.UnregisterFilterClass(TFilterLibrary::Factory<TXLSFilter>()); // not listed: no change
    EXPECT_EQ(library.Entries().size(), 1);
}

TEST_F(TFilterLibraryTest, OptionsStartWithTheirDefaultsAndActiveRegisters)
{
    TExtraOptions& options = ExtraOptions();
    EXPECT_FALSE(options.XLS.Active());
    EXPECT_EQ(options.HTML.PrevText, QStringLiteral("&lt&lt"));
    EXPECT_EQ(options.CSS2.NextText, QStringLiteral("&gt&gt"));
    EXPECT_FALSE(options.HTML.UseFileName);
    EXPECT_EQ(options.BMP.PixelFormat, pf8bit);
    EXPECT_EQ(options.PDF.Creator, QByteArray("TExtraFilters"));
    EXPECT_EQ(options.PDF.Author, QByteArray("TExtraFilters"));
    EXPECT_TRUE(options.PDF.Title.isEmpty());

    options.WQ1.SetActive(true);
    options.XLS.SetActive(true);
    EXPECT_EQ(Names(FilterLibrary()), (QStringList{QStringLiteral("Quattro File *.WQ1"), QStringLiteral("Excel File *.XLS")}));
    options.WQ1.SetActive(false);
    EXPECT_FALSE(options.WQ1.Active());
    EXPECT_EQ(Names(FilterLibrary()), QStringList{QStringLiteral("Excel File *.XLS")});
}

TEST_F(TFilterLibraryTest, AFormatIsFoundByItsExtensionOrItsName)
{
    RegisterExtraFilters();
    const struct
    {
        const char* Name;
        const char* Found; // display name; empty: none
    } rows[] = {
        {"pdf", "Adobe PDF File"},       {"Adobe PDF", "Adobe PDF File"}, {"adobe pdf file", "Adobe PDF File"},
        {"jpeg", "JPEG File"},           {"JPG", "JPEG File"},            {"Lotus 123", "Lotus 123 File"},
        {"htm", "HTML File"},            {"CSS2", "CSS2 File"},           {"css2 file", "CSS2 File"},
        {"html", "HTML File"},           {"Excel File", "Excel File"},    {"File", ""},
        {"", ""},                        {"xlsx", ""},                    {"TPDFFilter", ""},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        const TFilterEntry* entry = FilterLibrary().Find(QString::fromLatin1(row.Name));
        EXPECT_EQ(entry ? entry->DisplayName : QString(), QString::fromLatin1(row.Found));
    }
    // Both filters writing .htm files answer to the extension.
    int htm = 0;
    for (const TFilterEntry& entry : FilterLibrary().Entries())
        htm += entry.IsNamed(QStringLiteral("HTM")) ? 1 : 0;
    EXPECT_EQ(htm, 2);
}
