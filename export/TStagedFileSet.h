#pragma once
#include "TStagedFile.h"

#include <QString>
#include <memory>
#include <vector>

// Numbered files of one series in one folder: Prefix + number as "0000" + Suffix, as in RPT0001.HTM.
struct TFileSeries
{
    QString Folder; // empty: the current folder
    QString Prefix;
    QString Suffix;

    // The name of the file with the number, without and with the folder.
    QString FileName(int number) const { return Prefix + QString::number(number).rightJustified(4, u'0') + Suffix; }
    QString Path(int number) const { return Folder + FileName(number); }
    // The number a file name of the series carries, written exactly as the series writes it (four
    // digits at least, no further leading zeros); 0 for any other name.
    int NumberOf(const QString& fileName) const;
};

// Files put in place together or not at all, such as the pages of one report. Each is staged as a
// TStagedFile. Commit renames them all over their targets; if one rename fails, those already done
// are undone from hard links to the files they replaced, so the folders are as they were, and an undo
// that fails too is named in the error. Destroyed uncommitted, the set removes its staged files and
// changes nothing.
//
// A killed process never leaves a torn set. In each folder it writes to, the set keeps a small file
// of its own, locked while the set lives (".pageset.tmpXXXXXm"). Before the first rename, Commit
// writes into it every rename and removal the commit makes; the first export into that folder after a
// kill finds the file unlocked and completes that plan, so the folder holds the whole new set, or,
// when the kill came before the plan was written, the whole old one. The staged and kept files of a
// killed process (unlocked temporary files, "*.tmpXXXXXX") are removed then as well.
class TStagedFileSet
{
public:
    TStagedFileSet();
    ~TStagedFileSet();
    TStagedFileSet(const TStagedFileSet&) = delete;
    TStagedFileSet& operator=(const TStagedFileSet&) = delete;

    // Opens the next file of the set; the reference stays valid as long as the set. Close each file
    // when it is complete: the set keeps no more than one open at a time for its own use.
    TStagedFile& Add(const QString& targetPath, bool pageFile = false);
    qsizetype Count() const { return qsizetype(m_files.size()); }

    // Puts every file in place. The files of `series` numbered above `lastNumber` that are not part of
    // the set (left by an earlier, longer run) are removed in the same step, so the folder holds one
    // consistent series; a series with neither prefix nor suffix removes nothing, and neither does an
    // empty set.
    void Commit(const TFileSeries& series = {}, int lastNumber = 0);
    // Removes every staged file. Never throws.
    void Discard() noexcept;

    // Completes the commit of a set whose process was killed and removes the temporary files no
    // running export holds, in `folder`. Called before the first file is created in a folder; never
    // throws: what cannot be cleaned up now is tried again at the next export.
    static void RecoverFolder(const QString& folder) noexcept;

    // Test seam: the process kills itself just before the rename with this number (counted from 1
    // over every commit of the process), as a crash at that moment would. 0: never.
    static void KillBeforeRename(int rename);

private:
    // The set's own file in one folder: its lock says the set is alive, its content is the plan of a
    // commit under way.
    struct TOwner
    {
        QString Folder;
        QString Path;
        int Fd = -1;
    };
    void EnsureOwner(const QString& folder);
    void WritePlan(const QByteArray& plan);
    void ReleaseOwners() noexcept;

    std::vector<std::unique_ptr<TStagedFile>> m_files;
    std::vector<TOwner> m_owners;
    QString m_token; // five letters shared by every temporary name of the set
};
