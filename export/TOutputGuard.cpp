#include "TOutputGuard.h"

#include "EExportError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QMutex>
#include <sys/stat.h>

namespace {

struct TProtected
{
    QString Path;
    QString What;
    bool Folder;
};

QMutex g_mutex;
QList<TProtected> g_protected;

struct TIdentity
{
    dev_t Device;
    ino_t Inode;
    friend bool operator==(const TIdentity&, const TIdentity&) = default;
};

bool IdentityOf(const QString& path, bool followLink, TIdentity& identity)
{
    struct stat status;
    const QByteArray native = QFile::encodeName(path);
    if ((followLink ? ::stat(native.constData(), &status) : ::lstat(native.constData(), &status)) != 0)
        return false;
    identity = TIdentity{status.st_dev, status.st_ino};
    return true;
}

// The file the name itself is and, for a symbolic link, the file it leads to.
QList<TIdentity> IdentitiesOf(const QString& path)
{
    QList<TIdentity> result;
    TIdentity identity;
    if (IdentityOf(path, false, identity))
        result.append(identity);
    if (IdentityOf(path, true, identity) && !result.contains(identity))
        result.append(identity);
    return result;
}

bool Matches(const QString& protectedPath, const QList<TIdentity>& target)
{
    TIdentity identity;
    return IdentityOf(protectedPath, true, identity) && target.contains(identity);
}

// Where a name points, whether or not a file is there yet: the real folder and the name in it. A
// protected file that is missing now (the database's journal) must not be created by an export.
QString PlaceOf(const QString& path)
{
    const QFileInfo info(path);
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + info.fileName();
}

} // namespace

void TOutputGuard::ProtectFile(const QString& path, const QString& what)
{
    const QMutexLocker lock(&g_mutex);
    g_protected.append(TProtected{path, what, false});
}

void TOutputGuard::ProtectFolder(const QString& folder, const QString& what)
{
    const QMutexLocker lock(&g_mutex);
    g_protected.append(TProtected{folder, what, true});
}

void TOutputGuard::Clear()
{
    const QMutexLocker lock(&g_mutex);
    g_protected.clear();
}

QString TOutputGuard::ProtectionOf(const QString& path)
{
    const QList<TIdentity> target = IdentitiesOf(path);
    const QString place = PlaceOf(path);
    QList<TProtected> protectedFiles;
    {
        const QMutexLocker lock(&g_mutex);
        protectedFiles = g_protected;
    }
    for (const TProtected& entry : std::as_const(protectedFiles)) {
        // By name, whether or not a file is there yet; letter case aside, as on the shares the other
        // programs of the suite reach the files through.
        if (!entry.Folder) {
            if ((!place.isEmpty() && PlaceOf(entry.Path).compare(place, Qt::CaseInsensitive) == 0) || Matches(entry.Path, target))
                return entry.What;
            continue;
        }
        const QString folderPlace = QFileInfo(entry.Path).canonicalFilePath();
        if (!place.isEmpty() && !folderPlace.isEmpty()
            && QFileInfo(place).path().compare(folderPlace, Qt::CaseInsensitive) == 0)
            return entry.What;
        // A file of the folder under another name (a hard link, a link to it).
        if (target.isEmpty())
            continue;
        const QDir folder(entry.Path);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
            if (Matches(folder.filePath(name), target))
                return entry.What;
        }
    }
    return {};
}

void TOutputGuard::Check(const QString& path)
{
    const QString what = ProtectionOf(path);
    if (!what.isEmpty()) {
        throw EExportError(QStringLiteral("The file \"%1\" is %2; an export is never written over it.")
                               .arg(QDir::toNativeSeparators(path), what));
    }
}
