#include "AccessRights.h"
#include "EDatabaseError.h"
#include "TSecurityInfo.h"
#include "TTestClub.h"
#include "TUserInfo.h"

#include <gtest/gtest.h>

namespace {

const QString ClubLevel = QStringLiteral("GReports Club Level");

void LogInAs(qint32 id, qint32 level)
{
    auto user = std::make_unique<TUserInfo>();
    user->ID = id;
    user->Level1 = level;
    SetCurrentUser(std::move(user));
}

} // namespace

TEST(AccessRights, TheFirstMatchingRightsLevelDecidesAgainstTheUsersLevel)
{
    const struct
    {
        const char* Name;
        int RightLevel;
        int UserId;
        int UserLevel;
        qint32 Expected;
    } rows[] = {
        {"equal level is granted", 5, 12, 5, 12},
        {"one level below is refused", 5, 12, 4, 0},
        {"levels are signed", -1, 12, 0, 12},
        {"a grant is the user's ID, so ID 0 has no access", 0, 0, 9, 0},
        {"a negative ID has no access either", 0, -4, 9, -4},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.Name);
        TTestClub club;
        club.AddRight(QStringLiteral("Other"), -100);
        club.AddRight(ClubLevel, row.RightLevel);
        club.AddRight(QStringLiteral("GREPORTS CLUB LEVEL"), -100); // a later row never decides
        LogInAs(row.UserId, row.UserLevel);
        EXPECT_EQ(CheckAccess(QStringLiteral("greports club level"), false), row.Expected);
        EXPECT_EQ(HasAccess(ClubLevel, false), row.Expected > 0);
        EXPECT_EQ(club.Prompt.ModalCount, 0);
    }
}

TEST(AccessRights, RightsAreReadOnceAndAReadErrorReachesTheCaller)
{
    TTestClub club;
    club.Exec(QStringLiteral("DROP TABLE Security"));
    LogInAs(1, 5);
    EXPECT_THROW(CheckAccess(ClubLevel, false), EDatabaseError);
    EXPECT_EQ(SecurityRights(), nullptr);

    club.Exec(QStringLiteral("CREATE TABLE Security (Keyword VARCHAR(40), Level1 INTEGER, Level2 INTEGER, Level3 INTEGER)"));
    club.AddRight(ClubLevel, 5);
    EXPECT_EQ(CheckAccess(ClubLevel, false), 1);
    EXPECT_EQ(SecurityRights()->KeyFor(ClubLevel)->Level2, 99);
    club.Exec(QStringLiteral("UPDATE Security SET Level1 = 50"));
    EXPECT_EQ(CheckAccess(ClubLevel, false), 1) << "later changes are not seen";
}

TEST(AccessRights, OverrideShowsTheDialogOnlyWhenRefused)
{
    TTestClub club;
    club.AddRight(ClubLevel, 5);
    EXPECT_EQ(CheckAccess(ClubLevel, false), 0) << "nobody logged in";
    LogInAs(1, 5);
    EXPECT_EQ(CheckAccess(ClubLevel, true), 1);
    EXPECT_EQ(club.Prompt.ModalCount, 0);
    LogInAs(1, 4);
    EXPECT_FALSE(HasAccess(ClubLevel, true)); // the scripted dialog is cancelled
    EXPECT_EQ(club.Prompt.ModalCount, 1);
    EXPECT_TRUE(club.Prompt.Warnings.isEmpty());
}
