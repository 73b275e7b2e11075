#pragma once
#include <QByteArrayView>
#include <QString>
#include <QtGlobal>
#include <memory>

// One output file written so that a failure never costs the user a file. The bytes go to a
// temporary file in the target's folder; every write, flush, close and rename is checked, and Commit
// puts the complete file in place with one rename, which replaces a symbolic link at the target name
// as a link instead of writing through it. An uncommitted file is removed again by Discard or the
// destructor, leaving the target as it was. Failures throw EExportError naming the target and the
// system's reason ("No space left on device").
//
// Open refuses a target that is a folder, a device or another special file, and any file
// TOutputGuard protects. The temporary file is locked while it is open, and Open first removes the
// temporary files of processes that no longer run from the folder (TStagedFileSet::RecoverFolder). The temporary file gets the permissions of a new file (0666 less the umask),
// or those of the file it replaces.
//
// Durability: Commit syncs the data to the disk before the rename only when it replaces an existing
// file, the one case where a power failure could otherwise lose the older file; new files and spool
// files (opened, read back through TemporaryPath and discarded) pay nothing for it. A killed process
// leaves the old file or the complete new one, never a mix, either way.
//
// Large outputs are written behind: what a file has written is handed to the disk in steps and
// dropped from the page cache once it lies well behind, as are closed files once more has been written
// after them. A long export (thousands of page images, a body of hundreds of megabytes) then reuses a
// few megabytes of cache instead of filling the memory with files nobody is about to read.
//
// An object belongs to one thread at a time and touches no state shared with other files but the
// list of closed files still cached, so writers may run in a worker thread.
class TStagedFile
{
public:
    explicit TStagedFile(const QString& targetPath = QString());
    ~TStagedFile();
    TStagedFile(const TStagedFile&) = delete;
    TStagedFile& operator=(const TStagedFile&) = delete;

    // Only while the file is not open.
    void SetTargetPath(const QString& targetPath);
    QString TargetPath() const { return m_target; }

    // Creates the temporary file beside the target.
    void Open();
    bool IsOpen() const { return m_fd >= 0; }
    void Write(QByteArrayView bytes);
    void Write(const char* data, qsizetype size) { Write(QByteArrayView(data, size)); }
    // Bytes written since Open.
    qint64 Size() const { return m_size; }
    // Hands the buffered bytes to the system, e.g. to read a spool file back through TemporaryPath().
    void Flush();
    // Appends every byte written so far to `spool`, another open staged file, in the kernel where the
    // file system can: a body spooled to disk goes behind its head without passing through memory.
    void AppendFile(TStagedFile& spool);
    QString TemporaryPath() const { return m_temporary; }
    // Flushes and closes the temporary file, which stays staged until Commit or Discard. A closed file
    // is not synced by Commit: the page sets that close their pages sync their folders as a whole.
    void Close();
    // Closes the file if open and renames it over the target.
    void Commit();
    // Removes the temporary file. Never throws.
    void Discard() noexcept;

    // Error messages name page files as the page writers always have: "File Error: " + file name, with
    // the reason after it in brackets.
    void SetPageFile(bool pageFile) { m_pageFile = pageFile; }

    // Test seams, for every staged file of the process: the disk fills up after `bytes` more bytes
    // (-1: never), or after `renames` more renames succeed (-1: never) the next `failures` fail.
    static void SimulateFullDiskAfter(qint64 bytes);
    static void SimulateRenameFailureAfter(int renames, int failures = 1);
    static void ClearSimulatedFaults();

private:
    friend class TStagedFileSet;

    enum TAction { faCreate, faWrite, faReplace };
    [[noreturn]] void Fail(TAction action, const QString& reason);
    [[noreturn]] void FailErrno(TAction action, int error);
    void WriteThrough(const char* data, qint64 size);
    // Hands what was written to the disk and drops older pages from the cache (see above).
    void WriteBehind(bool closing);
    // AppendFile through a buffer, from `offset` of the open descriptor `from` on.
    void CopyThrough(int from, qint64 offset, qint64 size);
    // True when the target name holds a regular file (not a link) that the rename will replace.
    bool ReplacesRegularFile() const;

    // A name for a temporary file beside target: ".tmp" and six letters after the target's name,
    // `letters` or random ones.
    static QString TemporaryName(const QString& target, const QString& letters = {});
    // rename(2), failing when a simulated fault says so; returns 0 or an errno value.
    static int Rename(const QString& from, const QString& to);

    // The "being written" mark of a temporary: a lock on the file just created as fd at path. True when
    // the name still leads to that file once it is locked: a cleaner of abandoned temporaries may have
    // removed it between the creation and the lock, and the caller then makes another. A file system
    // without locks leaves the file unmarked (true): it is then only ever removed by its own process.
    static bool MarkBeingWritten(int fd, const QString& path);
    // Removes a temporary that no running export has marked. The cleaner holds the file's lock while it
    // removes the name, so a writer can never lose a file it has marked (see MarkBeingWritten).
    static void RemoveIfAbandoned(const QString& path);

    QString m_target;
    QString m_temporary;
    int m_fd = -1;
    qint64 m_size = 0;
    qint64 m_written = 0; // handed to the system
    qint64 m_behind = 0;  // of those, handed on to the disk
    qint64 m_dropped = 0; // of those, dropped from the cache
    std::unique_ptr<char[]> m_buffer;
    qsizetype m_used = 0;
    bool m_pageFile = false;
    QString m_letters; // of the temporary name, given by a set; random when empty
    bool m_inSet = false;
};

// The system's text for an errno value, e.g. "No space left on device".
QString SystemReason(int error);
