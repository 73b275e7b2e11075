#pragma once
#include <QString>

// The files no export may be written over or create, whatever path names them (another spelling or
// letter case, a symbolic link, a hard link): the club database, the alias file, the configuration
// files and anything else in the folders the other programs of the suite read. The application names
// them when it has found them; every staged output checks its target here before creating anything.
// Files are compared by name and by device and inode when the check runs, so a file replaced since it
// was named is still recognised. Safe to use from any thread.
class TOutputGuard
{
public:
    // `what` completes "The file ... is ...", e.g. "the club database".
    static void ProtectFile(const QString& path, const QString& what);
    // Every name in the folder, existing or not, and every file that is one of its files under
    // another name.
    static void ProtectFolder(const QString& folder, const QString& what);
    static void Clear();

    // What the file at path is ("the club database"), or empty when it is not protected.
    static QString ProtectionOf(const QString& path);
    static bool IsProtected(const QString& path) { return !ProtectionOf(path).isEmpty(); }
    // Throws EExportError naming the file when it is protected.
    static void Check(const QString& path);
};
