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
// are undone from hard links to the files they replaced, so the folders are as they were. Destroyed
// uncommitted, the set removes its staged files and changes nothing.
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

private:
    std::vector<std::unique_ptr<TStagedFile>> m_files;
};
