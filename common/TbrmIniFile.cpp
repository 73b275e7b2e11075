#include "TbrmIniFile.h"

#include "EInvalidAlias.h"
#include "EInvalidPath.h"
#include "EProgramTerminated.h"
#include "TIniDocument.h"
#include "TPrompt.h"
#include "TSession.h"
#include "TextFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <cstdlib>
#include <memory>

namespace {

const QString AliasName = QStringLiteral("Brelmdata");
const QString WorkStationsSection = QStringLiteral("WorkStations");
const QString CancelledMessage = QStringLiteral("This application cannot run without a unique work station name.");
const QString InUseMessage = QStringLiteral("This workstation name is already in use.");

// The longest file name most file systems take, in bytes.
constexpr qsizetype MaxFileNameBytes = 255;

std::function<void()> g_terminate;
std::unique_ptr<TbrmIniFile> g_suiteIni;

void TerminateProgram()
{
    if (g_terminate)
        g_terminate();
    else
        std::exit(EXIT_FAILURE);
    throw EProgramTerminated(CancelledMessage);
}

// Everything up to and including the last folder separator or drive colon.
QString DirectoryPart(const QString& path)
{
    qsizetype at = path.size() - 1;
    while (at >= 0 && path.at(at) != QLatin1Char('/') && path.at(at) != QLatin1Char('\\')
           && path.at(at) != QLatin1Char(':'))
        --at;
    return path.left(at + 1);
}

// The workstation's name is stored in the shared file, which is code page 1252, and names its own
// file in the configuration folder, which is often a share that Windows file servers also hold. A
// name that either cannot carry would be stored as question marks or make a file nobody can open.
QString WorkstationNameProblem(const QString& name)
{
    for (qsizetype i = 0; i < name.size(); ++i) {
        const qsizetype length = name.at(i).isHighSurrogate() && i + 1 < name.size() ? 2 : 1;
        const QString character = name.mid(i, length);
        i += length - 1;
        if (!TIniDocument::CanHold(character))
            return QStringLiteral("This workstation name has a character that the shared configuration file cannot hold: \"%1\".")
                .arg(character);
        if (character.at(0).category() == QChar::Other_Control
            || QStringLiteral("\"*<>?|").contains(character.at(0)))
            return QStringLiteral("This workstation name has a character that a file name cannot carry: \"%1\".")
                .arg(EscapeControlCharacters(character));
    }
    if (QFile::encodeName(name + QStringLiteral(".INI")).size() > MaxFileNameBytes)
        return QStringLiteral("This workstation name is too long for a file name.");
    return {};
}

// A name whose file would be another file of the configuration folder, or no file of its own on the
// shares the folder often lives on: the shared file's name, a user's file, the folder names "." and
// "..", and the device names Windows reserves (with any extension, as Windows reads them).
QString NameNotFreeAsFile(const QString& name, const QString& configFolder)
{
    if (name == QLatin1String(".") || name == QLatin1String(".."))
        return QStringLiteral("This workstation name is not a file name: \"%1\".").arg(name);
    const QString stem = name.section(QLatin1Char('.'), 0, 0).trimmed().toUpper();
    static const QRegularExpression device(QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])$"));
    if (device.match(stem).hasMatch())
        return QStringLiteral("This workstation name is a device name that Windows reserves: \"%1\".").arg(name);
    const QString fileName = name + QStringLiteral(".INI");
    if (fileName.compare(QLatin1String("VKD.INI"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("This workstation name is the name of the shared configuration file: \"%1\".").arg(name);
    const QStringList existing = QDir(configFolder).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& file : existing) {
        if (file.compare(fileName, Qt::CaseInsensitive) == 0)
            return QStringLiteral("This workstation name is taken by the configuration file \"%1\".").arg(file);
    }
    return {};
}

// Whether any "code=name" line names `name` (letter case ignored).
bool NameInUse(const QStringList& workstations, const QString& name)
{
    for (const QString& line : workstations) {
        QString rest = line;
        SplitFirst(rest, QLatin1Char('='));
        if (rest.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

QString ListValue(const QStringList& lines, const QString& key)
{
    for (const QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0 && QStringView(line).left(equals).compare(key, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1);
    }
    return {};
}

void SetListValue(QStringList& lines, const QString& key, const QString& value)
{
    for (QString& line : lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals >= 0 && QStringView(line).left(equals).compare(key, Qt::CaseInsensitive) == 0) {
            line = line.left(equals + 1) + value;
            return;
        }
    }
    lines << key + QLatin1Char('=') + value;
}

TbrmIniFile::TbrmIniFile()
{
    TSession& session = TSession::Instance();
    if (!session.Active())
        session.Activate();
    if (!session.IsAlias(AliasName))
        throw EInvalidAlias(QStringLiteral("Dorvex Alias Brelmdata does not exist."));

    ConfigFolder = NormalizeFolder(DirectoryPart(session.AliasParam(AliasName, QStringLiteral("PATH")))
                                   + QStringLiteral("Config"));
    if (!QFileInfo(ConfigFolder).isDir())
        throw EInvalidPath(QStringLiteral("Path to configuration files \"%1\" does not exist.").arg(ConfigFolder));

    SharedFileName = ConfigFolder + QStringLiteral("VKD.INI");
    const QString code = WorkstationCode();

    QString name = TIniDocument::Load(SharedFileName).ReadString(WorkStationsSection, code);
    if (TrimBlanksRight(name).isEmpty())
        name = CarryOverLegacyEntry(code);
    if (TrimBlanksRight(name).isEmpty())
        name = RegisterWorkstation(code);
    WorkstationFileName = ConfigFolder + name + QStringLiteral(".INI");

    LoadScope(QStringLiteral("S"));
    LoadScope(QStringLiteral("W"));
    for (int i = 0; i < SettingSectionCount; ++i)
        Catalogue[i] = CatalogueLines(i);
}

// Earlier releases keyed the workstation by another digest. Its entry is copied to the new code, so
// an upgraded workstation keeps its name and file without being asked. The old line stays: an older
// program of the suite on the same computer still finds its name under it.
QString TbrmIniFile::CarryOverLegacyEntry(const QString& code)
{
    const QString legacyCode = LegacyWorkstationCode();
    if (legacyCode == code
        || TrimBlanksRight(TIniDocument::Load(SharedFileName).ReadString(WorkStationsSection, legacyCode)).isEmpty())
        return {};
    QString name;
    TIniDocument::Update(SharedFileName, [&](TIniDocument& shared) {
        // Another program of this computer may have carried it over meanwhile.
        name = shared.ReadString(WorkStationsSection, code);
        if (!TrimBlanksRight(name).isEmpty())
            return false;
        name = shared.ReadString(WorkStationsSection, legacyCode);
        if (TrimBlanksRight(name).isEmpty())
            return false;
        shared.WriteString(WorkStationsSection, code, name);
        return true;
    });
    return name;
}

QString TbrmIniFile::RegisterWorkstation(const QString& code)
{
    QStringList workstations = TIniDocument::Load(SharedFileName).SectionLines(WorkStationsSection);
    QString name;
    while (TrimBlanksRight(name).isEmpty()) {
        if (!Prompt().InputQuery(QStringLiteral("WorkStation Name"), QStringLiteral("Enter a name for your workstation"),
                                 name)) {
            ShowWarning(CancelledMessage);
            TerminateProgram();
        }
        name = FileSafeName(name);
        if (const QString problem = WorkstationNameProblem(name); !problem.isEmpty()) {
            name.clear();
            ShowWarning(problem);
            continue;
        }
        if (NameInUse(workstations, name)) {
            name.clear();
            ShowWarning(InUseMessage);
            continue;
        }
        if (const QString problem = NameNotFreeAsFile(name, ConfigFolder); !problem.isEmpty()) {
            name.clear();
            ShowWarning(problem);
        }
        if (TrimBlanksRight(name).isEmpty())
            continue;

        // Another workstation may have registered since the list was read: check again against the
        // file as it is now, inside the lock, and write only this workstation's line.
        bool written = false;
        TIniDocument::Update(SharedFileName, [&](TIniDocument& shared) {
            workstations = shared.SectionLines(WorkStationsSection);
            if (NameInUse(workstations, name))
                return false;
            shared.WriteString(WorkStationsSection, code, name);
            written = true;
            return true;
        });
        if (!written) {
            name.clear();
            ShowWarning(InUseMessage);
        }
    }
    return name;
}

void TbrmIniFile::LoadScope(const QString& scope)
{
    QString fileName;
    TSectionLists* lists = nullptr;
    if (scope == QLatin1String("S")) {
        fileName = SharedFileName;
        lists = &SharedValues;
    } else if (scope == QLatin1String("W")) {
        fileName = WorkstationFileName;
        lists = &WorkstationValues;
    } else if (scope == QLatin1String("U")) {
        fileName = UserFileName;
        lists = &UserValues;
    } else {
        return;
    }

    // No user file while nobody is logged in: that scope reads as empty.
    const TIniDocument document = fileName.isEmpty() ? TIniDocument() : TIniDocument::Load(fileName);
    for (int i = 0; i < SettingSectionCount; ++i)
        (*lists)[i] = document.SectionLines(SettingSections().at(i));

    if (lists != &SharedValues)
        return;
    for (const TKeyDefault& entry : KeyDefaults()) {
        QStringList& values = SharedValues[SettingSectionIndex(entry.Section)];
        if (ListValue(values, entry.Key).isEmpty())
            SetListValue(values, entry.Key, entry.Value);
    }
}

const QStringList* TbrmIniFile::ValuesOf(const QString& section, const QString& scopes) const
{
    const int index = SettingSectionIndex(section);
    if (index < 0 || scopes.isEmpty())
        return nullptr;
    switch (scopes.at(0).unicode()) {
    case u'S':
        return &SharedValues[index];
    case u'W':
        return &WorkstationValues[index];
    case u'U':
        return &UserValues[index];
    default:
        return nullptr;
    }
}

QString TbrmIniFile::ScopesOf(const QString& section, const QString& key) const
{
    const int index = SettingSectionIndex(section);
    return index < 0 ? QString() : ListValue(Catalogue[index], key);
}

QString TbrmIniFile::ReadValue(const QString& section, const QString& key) const
{
    QString result;
    QString scopes = ScopesOf(section, key);
    while (result.isEmpty() && !scopes.isEmpty()) {
        if (const QStringList* values = ValuesOf(section, scopes))
            result = ListValue(*values, key);
        scopes.remove(0, 1);
    }
    return result;
}

void TbrmIniFile::SetUser(const QString& empId)
{
    ClearUser();
    UserFileName = ConfigFolder + empId + QStringLiteral(".INI");
    LoadScope(QStringLiteral("U"));
}

void TbrmIniFile::ClearUser()
{
    for (QStringList& values : UserValues)
        values.clear();
    UserFileName.clear();
}

void TbrmIniFile::SetTerminate(std::function<void()> terminate)
{
    g_terminate = std::move(terminate);
}

TbrmIniFile& SuiteIni()
{
    if (!g_suiteIni)
        g_suiteIni = std::make_unique<TbrmIniFile>();
    return *g_suiteIni;
}

bool SuiteIniExists()
{
    return g_suiteIni != nullptr;
}

void ResetSuiteIni()
{
    g_suiteIni.reset();
}
