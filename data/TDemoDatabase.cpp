#include "TDemoDatabase.h"
#include "EDatabaseError.h"
#include "TSqlSchema.h"
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTime>

namespace {
const QString DataFolderName = QStringLiteral("Data");
const QString ConfigFolderName = QStringLiteral("Config");
const QString DatabaseFileName = QStringLiteral("club.db");
const QString AliasFileName = QStringLiteral("aliases.ini");
const QString SharedIniName = QStringLiteral("VKD.INI");
const QString BuildConnection = QStringLiteral("activityrep:demo-build");

const char* const ClubSchema[] = {
    "create table subcat (id integer primary key, description varchar(20))",
    "create table ckacts (id integer primary key, description varchar(30))",
    "create table lead (leadno integer primary key, memberno integer not null default 0, lastname varchar(20),"
    " firstname varchar(15), homephone varchar(14), subcategory integer)",
    // "end" is a reserved word of the engine, as it was of the suite's dialect.
    "create table ckprof (leadid integer not null, activityid integer not null, start date, \"end\" date,"
    " countdown smallint, pymtrate currency, countrequired boolean)",
    "create table groups (id integer primary key autoincrement, groupname varchar(40), \"TimeStamp\" timestamp)",
    "create table grpdata (leadid integer, groupid integer)",
    "create table \"Security\" (Keyword varchar(40), Level1 integer, Level2 integer, Level3 integer)",
    "create table \"User\" (ID integer primary key autoincrement, EmpID varchar(8), Password varchar(8),"
    " FirstName varchar(15), MI varchar(1), LastName varchar(20), Address1 varchar(25), Address2 varchar(25),"
    " City varchar(15), State varchar(2), Zip varchar(6), Zip4 varchar(4), HomePhone varchar(14),"
    " OtherPhone varchar(14), Group1 varchar(8), Level1 integer, Group2 varchar(8), Level2 integer,"
    " Group3 varchar(8), Level3 integer, MonStart time, MonEnd time, TueStart time, TueEnd time,"
    " WedStart time, WedEnd time, ThuStart time, ThuEnd time, FriStart time, FriEnd time,"
    " SatStart time, SatEnd time, SunStart time, SunEnd time, SSN varchar(11), EmpActive boolean)",
    "create table UserEvents (id integer primary key autoincrement, UserID integer, EventType varchar(20),"
    " EventTimeStamp timestamp)",
};

// Created after the rows are in: building an index once is much faster than keeping it up to date.
const char* const ClubIndexes[] = {
    "create index ckprof_leadid on ckprof (leadid)",
    "create index ckprof_activityid on ckprof (activityid)",
    "create index lead_subcategory on lead (subcategory)",
    "create index grpdata_groupid on grpdata (groupid)",
    "create unique index user_empid on \"User\" (EmpID)",
};

// A fixed generator (SplitMix64), so a seed gives the same club on every platform and library.
class TDemoRandom
{
public:
    explicit TDemoRandom(quint32 seed) : m_state(0x9E3779B97F4A7C15ull ^ seed) {}
    quint64 NextRaw()
    {
        quint64 z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    int Below(int bound) { return bound <= 0 ? 0 : int(NextRaw() % quint64(bound)); }
    int Between(int low, int high) { return low + Below(high - low + 1); }
    bool Chance(int percent) { return Below(100) < percent; }

private:
    quint64 m_state;
};

const char* const FirstNames[] = {
    "James", "Mary", "Robert", "Patricia", "John", "Jennifer", "Michael", "Linda", "David", "Elizabeth",
    "William", "Barbara", "Richard", "Susan", "Joseph", "Jessica", "Thomas", "Sarah", "Charles", "Karen",
    "Christopher", "Lisa", "Daniel", "Nancy", "Matthew", "Betty", "Anthony", "Sandra", "Mark", "Margaret",
    "Steven", "Ashley", "Paul", "Kimberly", "Andrew", "Emily", "Joshua", "Donna", "Kevin", "Michelle",
    "Brian", "Carol", "George", "Amanda", "Edward", "Melissa", "Ronald", "Deborah", "Timothy", "Stephanie",
};
const char* const LastNames[] = {
    "Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller", "Davis", "Rodriguez", "Martinez",
    "Hernandez", "Lopez", "Gonzalez", "Wilson", "Anderson", "Thomas", "Taylor", "Moore", "Jackson", "Martin",
    "Lee", "Perez", "Thompson", "White", "Harris", "Sanchez", "Clark", "Ramirez", "Lewis", "Robinson",
    "Walker", "Young", "Allen", "King", "Wright", "Scott", "Torres", "Nguyen", "Hill", "Flores",
    "Green", "Adams", "Nelson", "Baker", "Hall", "Rivera", "Campbell", "Mitchell", "Carter", "Roberts",
};
const char* const Activities[] = {
    "Aerobics", "Aqua Fit", "Basketball League", "Boxing Fitness", "Cycling", "Junior Tennis",
    "Karate", "Personal Training", "Pilates", "Spinning", "Swim Lessons", "Yoga",
};
const char* const SubCategories[] = {"Adult", "Family", "Senior", "Student", "Corporate", "Junior"};
const double PaymentRates[] = {25.0, 35.0, 42.5, 49.99, 59.0, 65.0, 75.0, 89.95, 99.0, 120.0};

template <typename T, size_t N>
constexpr int Count(const T (&)[N])
{
    return int(N);
}

void Exec(QSqlQuery& query, const QString& sql)
{
    if (!query.exec(sql))
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to create the club database"), query.lastError());
}

void ExecPrepared(QSqlQuery& query)
{
    if (!query.exec())
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to fill the club database"), query.lastError());
}

void Prepare(QSqlQuery& query, const QString& sql)
{
    if (!query.prepare(sql))
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to fill the club database"), query.lastError());
}

void WriteTextFile(const QString& path, const QString& text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0 || !file.commit())
        throw EDatabaseError(QStringLiteral("Unable to write %1").arg(path), file.errorString());
}

void MakeFolder(const QString& path)
{
    if (!QDir().mkpath(path))
        throw EDatabaseError(QStringLiteral("Unable to create the folder %1").arg(path), {});
}

// The generator writes a folder that is new, empty or one it made before; in the last case it replaces only
// its own files, so registrations and user files that the application added stay.
void CheckFolder(const QString& folder)
{
    const QDir dir(folder);
    if (!dir.exists())
        return;
    if (dir.isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System))
        return;
    if (QFileInfo::exists(dir.filePath(AliasFileName)) || QFileInfo::exists(dir.filePath(DataFolderName + QLatin1Char('/') + DatabaseFileName)))
        return;
    throw EDatabaseError(QStringLiteral("Unable to create the club database in %1").arg(folder),
                         QStringLiteral("The folder is not empty and holds no club made before"));
}

QString WriteAliasFile(const QString& folder)
{
    const QString dataFolder = QDir(folder).absoluteFilePath(DataFolderName);
    const QString path = QDir(folder).absoluteFilePath(AliasFileName);
    WriteTextFile(path, QStringLiteral("[Brelmdata]\nDRIVER=SQLITE\nPATH=%1\nDATABASE=%2\n").arg(dataFolder, DatabaseFileName));
    return path;
}

// Opens a fresh database file (replacing one made before) on the build connection.
QSqlDatabase OpenNewDatabase(const QString& folder)
{
    const QString dataFolder = QDir(folder).absoluteFilePath(DataFolderName);
    MakeFolder(dataFolder);
    const QString file = QDir(dataFolder).filePath(DatabaseFileName);
    if (QFileInfo::exists(file) && !QFile::remove(file))
        throw EDatabaseError(QStringLiteral("Unable to replace %1").arg(file), {});
    QFile::remove(file + QStringLiteral("-journal"));
    QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), BuildConnection);
    database.setDatabaseName(file);
    if (!database.open()) {
        const QSqlError error = database.lastError();
        database = QSqlDatabase();
        QSqlDatabase::removeDatabase(BuildConnection);
        throw EDatabaseError::FromSqlError(QStringLiteral("Unable to create %1").arg(file), error);
    }
    return database;
}

void CloseBuildConnection()
{
    {
        QSqlDatabase database = QSqlDatabase::database(BuildConnection, false);
        database.close();
    }
    QSqlDatabase::removeDatabase(BuildConnection);
}

void CreateIndexes(QSqlQuery& query)
{
    for (const char* sql : ClubIndexes)
        Exec(query, QString::fromLatin1(sql));
}

QString Phone(TDemoRandom& random)
{
    return QStringLiteral("(555) %1-%2").arg(random.Between(200, 999)).arg(random.Between(0, 9999), 4, 10, QLatin1Char('0'));
}

void FillUsers(QSqlQuery& query)
{
    struct TDemoUser
    {
        int ID;
        const char* EmpID;
        const char* Password;
        const char* FirstName;
        const char* LastName;
        int Level;
        bool Active;
    };
    const TDemoUser users[] = {
        {1, "MANAGER", "secret", "Maria", "Lopez", 9, true},
        {2, "CLERK", "clerk", "Tom", "Baker", 1, true},
        {3, "DEMO", "", "Demo", "User", 5, true},
        {4, "FORMER", "old", "Frank", "Miller", 9, false},
    };
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    QStringList columns = {QStringLiteral("ID"), QStringLiteral("EmpID"), QStringLiteral("Password"),
                           QStringLiteral("FirstName"), QStringLiteral("MI"), QStringLiteral("LastName"),
                           QStringLiteral("City"), QStringLiteral("State"), QStringLiteral("HomePhone"),
                           QStringLiteral("Group1"), QStringLiteral("Level1"), QStringLiteral("Level2"),
                           QStringLiteral("Level3"), QStringLiteral("EmpActive")};
    for (const char* day : days) {
        columns.append(QString::fromLatin1(day) + QStringLiteral("Start"));
        columns.append(QString::fromLatin1(day) + QStringLiteral("End"));
    }
    Prepare(query, QStringLiteral("insert into \"User\" (%1) values (%2)")
                       .arg(columns.join(QLatin1Char(',')), QStringList(columns.size(), QStringLiteral("?")).join(QLatin1Char(','))));
    for (const TDemoUser& user : users) {
        int c = 0;
        query.bindValue(c++, user.ID);
        query.bindValue(c++, QString::fromLatin1(user.EmpID));
        query.bindValue(c++, QString::fromLatin1(user.Password));
        query.bindValue(c++, QString::fromLatin1(user.FirstName));
        query.bindValue(c++, QString());
        query.bindValue(c++, QString::fromLatin1(user.LastName));
        query.bindValue(c++, QStringLiteral("Riverside"));
        query.bindValue(c++, QStringLiteral("OH"));
        query.bindValue(c++, QStringLiteral("(555) 010-%1").arg(user.ID, 4, 10, QLatin1Char('0')));
        query.bindValue(c++, user.Level >= 9 ? QStringLiteral("ADMIN") : QStringLiteral("STAFF"));
        query.bindValue(c++, user.Level);
        query.bindValue(c++, user.Level);
        query.bindValue(c++, user.Level);
        query.bindValue(c++, user.Active ? 1 : 0);
        for (int d = 0; d < 7; ++d) {
            const bool weekend = d >= 5;
            query.bindValue(c++, weekend ? QStringLiteral("09:00:00.000") : QStringLiteral("07:00:00.000"));
            query.bindValue(c++, weekend ? QStringLiteral("13:00:00.000") : QStringLiteral("19:00:00.000"));
        }
        ExecPrepared(query);
    }
}

void FillSecurity(QSqlQuery& query)
{
    struct TDemoRight
    {
        const char* Keyword;
        int Level;
    };
    const TDemoRight rights[] = {
        {"GReports Club Level", 5}, {"Check In Level", 1},      {"Member Edit Level", 3},
        {"Daily Reports Level", 3}, {"System Setup Level", 9}, {"Billing Level", 7},
    };
    Prepare(query, QStringLiteral("insert into \"Security\" (Keyword, Level1, Level2, Level3) values (?,?,?,?)"));
    for (const TDemoRight& right : rights) {
        query.bindValue(0, QString::fromLatin1(right.Keyword));
        query.bindValue(1, right.Level);
        query.bindValue(2, right.Level);
        query.bindValue(3, right.Level);
        ExecPrepared(query);
    }
}

void FillClub(QSqlQuery& query, const TDemoOptions& options)
{
    TDemoRandom random(options.Seed);
    const QDate today = options.Today.isValid() ? options.Today : QDate::currentDate();
    const QDate monthStart(today.year(), today.month(), 1);
    const int enrolments = qMax(0, options.Enrolments);

    Prepare(query, QStringLiteral("insert into subcat (id, description) values (?,?)"));
    for (int i = 0; i < Count(SubCategories); ++i) {
        query.bindValue(0, i + 1);
        query.bindValue(1, QString::fromLatin1(SubCategories[i]));
        ExecPrepared(query);
    }
    Prepare(query, QStringLiteral("insert into ckacts (id, description) values (?,?)"));
    for (int i = 0; i < Count(Activities); ++i) {
        query.bindValue(0, i + 1);
        query.bindValue(1, QString::fromLatin1(Activities[i]));
        ExecPrepared(query);
    }

    // About one person for every 1.6 enrolments, so many people take more than one activity.
    const int people = qMax(12, enrolments * 5 / 8);
    Prepare(query, QStringLiteral("insert into lead (leadno, memberno, lastname, firstname, homephone, subcategory) values (?,?,?,?,?,?)"));
    for (int leadno = 1; leadno <= people; ++leadno) {
        const bool member = random.Chance(75);
        query.bindValue(0, leadno);
        query.bindValue(1, member ? 1000 + leadno : 0);
        query.bindValue(2, QString::fromLatin1(LastNames[random.Below(Count(LastNames))]));
        query.bindValue(3, QString::fromLatin1(FirstNames[random.Below(Count(FirstNames))]));
        query.bindValue(4, Phone(random));
        query.bindValue(5, random.Between(1, Count(SubCategories)));
        ExecPrepared(query);
    }

    Prepare(query, QStringLiteral("insert into ckprof (leadid, activityid, start, \"end\", countdown, pymtrate, countrequired) values (?,?,?,?,?,?,?)"));
    const int monthDays = today.daysInMonth();
    for (int k = 0; k < enrolments; ++k) {
        // everybody once, then random people again
        const int leadid = k < people ? k + 1 : random.Between(1, people);
        const int activity = random.Between(1, Count(Activities));
        QDate start;
        if (random.Chance(15))
            start = monthStart.addDays(random.Below(monthDays)); // starting this month
        else
            start = today.addDays(-random.Between(1, 720));
        QVariant end;
        const int endKind = random.Below(100);
        if (endKind < 30) {
            end = QVariant(); // open-ended
        } else if (endKind < 45) {
            end = TSqlSchema::DateText(monthStart.addDays(random.Below(monthDays))); // ending this month
        } else {
            end = TSqlSchema::DateText(start.addDays(random.Between(30, 730)));
        }
        int countdown;
        const int countKind = random.Below(100);
        if (countKind < 10)
            countdown = random.Between(-3, -1);
        else if (countKind < 40)
            countdown = random.Between(0, 2);
        else
            countdown = random.Between(3, 20);

        query.bindValue(0, leadid);
        query.bindValue(1, activity);
        query.bindValue(2, TSqlSchema::DateText(start));
        query.bindValue(3, end);
        query.bindValue(4, countdown);
        query.bindValue(5, PaymentRates[random.Below(Count(PaymentRates))]);
        query.bindValue(6, random.Chance(60) ? 1 : 0);
        ExecPrepared(query);
    }
}
} // namespace

void CreateClubSchema(const QString& connectionName)
{
    QSqlQuery query(QSqlDatabase::database(connectionName));
    for (const char* sql : ClubSchema)
        Exec(query, QString::fromLatin1(sql));
}

QString CreateClubDatabase(const QString& folder)
{
    CheckFolder(folder);
    MakeFolder(folder);
    {
        QSqlDatabase database = OpenNewDatabase(folder);
        try {
            QSqlQuery query(database);
            Exec(query, QStringLiteral("pragma synchronous = off"));
            Exec(query, QStringLiteral("begin"));
            CreateClubSchema(BuildConnection);
            CreateIndexes(query);
            Exec(query, QStringLiteral("commit"));
        } catch (...) {
            database = QSqlDatabase();
            CloseBuildConnection();
            throw;
        }
    }
    CloseBuildConnection();
    return WriteAliasFile(folder);
}

QString CreateDemoDatabase(const TDemoOptions& options)
{
    CheckFolder(options.Folder);
    MakeFolder(options.Folder);
    {
        QSqlDatabase database = OpenNewDatabase(options.Folder);
        try {
            QSqlQuery query(database);
            // Nothing here needs to survive a crash of the generator: skip the journal and the syncs.
            Exec(query, QStringLiteral("pragma journal_mode = off"));
            Exec(query, QStringLiteral("pragma synchronous = off"));
            CreateClubSchema(BuildConnection);
            if (!database.transaction())
                throw EDatabaseError::FromSqlError(QStringLiteral("Unable to create the club database"), database.lastError());
            FillClub(query, options);
            FillUsers(query);
            FillSecurity(query);
            CreateIndexes(query);
            query.finish();
            if (!database.commit())
                throw EDatabaseError::FromSqlError(QStringLiteral("Unable to create the club database"), database.lastError());
            Exec(query, QStringLiteral("pragma journal_mode = delete"));
            Exec(query, QStringLiteral("analyze"));
        } catch (...) {
            database = QSqlDatabase();
            CloseBuildConnection();
            throw;
        }
    }
    CloseBuildConnection();

    const QString configFolder = QDir(options.Folder).absoluteFilePath(ConfigFolderName);
    MakeFolder(configFolder);
    WriteTextFile(QDir(configFolder).filePath(SharedIniName), QStringLiteral("[General]\nClubName=Riverside Athletic Club\n"));
    return WriteAliasFile(options.Folder);
}
