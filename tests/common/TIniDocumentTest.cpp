#include "TIniDocument.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(TIniDocument, ReadsSectionsAndKeysWithoutRegardToCase)
{
    const TIniDocument ini(QByteArray("\xEF\xBB\xBF[General]\r\n; note\r\n ClubName = Caf\xE9 \x80 \r\nnoequals\r\n"
                                      "clubname=second\r\n[WorkStations]\nAB=Desk\n[general]\nX=1"));
    EXPECT_EQ(ini.SectionLines(QStringLiteral("general")),
              (QStringList{QString::fromUtf8("ClubName=Café €"), QStringLiteral("clubname=second")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("WORKSTATIONS"), QStringLiteral("ab")), QStringLiteral("Desk"));
    EXPECT_TRUE(ini.ReadString(QStringLiteral("Missing"), QStringLiteral("AB")).isEmpty());
}

TEST(TIniDocument, WritingOneValueChangesOnlyItsLine)
{
    const char* const rows[][3] = {
        {"replaces the value, keeps the key's spelling and line ending",
         "; shared\r\n[WorkStations]\r\nab12=Old\r\nCD=Other\r\n\r\n[General]\r\nX=1\r\n",
         "; shared\r\n[WorkStations]\r\nab12=Desk 1\r\nCD=Other\r\n\r\n[General]\r\nX=1\r\n"},
        {"adds the key after the section's last line", "[WorkStations]\nCD=Other\n\n[General]\nX=1\n",
         "[WorkStations]\nCD=Other\nAB12=Desk 1\n\n[General]\nX=1\n"},
        {"adds the section at the end", "[General]\nX=1", "[General]\nX=1\n[WorkStations]\nAB12=Desk 1\n"},
        {"a new file gets CR LF", "", "[WorkStations]\r\nAB12=Desk 1\r\n"},
        {"ends an unterminated last line first", "[WorkStations]\r\nCD=Other", "[WorkStations]\r\nCD=Other\r\nAB12=Desk 1\r\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row[0]);
        TIniDocument ini{QByteArray(row[1])};
        ini.WriteString(QStringLiteral("WorkStations"), QStringLiteral("AB12"), QStringLiteral("Desk 1"));
        EXPECT_EQ(ini.ToBytes(), QByteArray(row[2]));
    }
}

TEST(TIniDocument, UpdateWritesOnlyWhenAskedAndReportsAFolderItCannotWrite)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("VKD.INI"));
    TIniDocument::Update(path, [](TIniDocument&) { return false; });
    EXPECT_FALSE(QFile::exists(path));
    TIniDocument::Update(path, [](TIniDocument& ini) {
        ini.WriteString(QStringLiteral("WorkStations"), QStringLiteral("AB"), QStringLiteral("Desk"));
        return true;
    });
    EXPECT_EQ(TIniDocument::Load(path).ReadString(QStringLiteral("WorkStations"), QStringLiteral("AB")),
              QStringLiteral("Desk"));
    EXPECT_FALSE(QFile::exists(path + QStringLiteral(".lock")));

    const QString unwritable = QStringLiteral("/nonexistent-folder/VKD.INI");
    try {
        TIniDocument::Update(unwritable, [](TIniDocument&) { return true; });
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_TRUE(QString::fromUtf8(e.what()).contains(unwritable));
    }
}
