#pragma once
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Writes one file so that a failure can never cost the user a file: the bytes go to a temporary file
// in the target's folder, every write is checked, and Commit renames it over the target. A symbolic
// link at the target is replaced by the file, not written through. Destroyed (or discarded) before
// Commit, it removes the temporary file and leaves any earlier file of that name as it was.
// Failures throw EExportError with the file's name and the system's reason.
class TSafeOutputFile
{
public:
    explicit TSafeOutputFile(const QString& fileName);
    ~TSafeOutputFile();
    TSafeOutputFile(const TSafeOutputFile&) = delete;
    TSafeOutputFile& operator=(const TSafeOutputFile&) = delete;

    QString FileName() const { return m_fileName; }

    // Creates the temporary file; it gets the replaced file's permissions, or a new file's.
    void Open();
    // The temporary file's path while open, for writers that write the file through a library of
    // their own; Commit then puts what they wrote in place.
    QString TemporaryFileName() const;
    // Buffered; a failing write throws here or at the latest in Commit.
    void Write(QByteArrayView bytes);
    // Flushes, syncs and closes the temporary file, then renames it over the target.
    void Commit();
    void Discard();

private:
    void Flush();
    [[noreturn]] void Fail(const char* what, int error) const;

    QString m_fileName; // absolute
    QByteArray m_temporary; // encoded path; empty when none exists
    QByteArray m_buffer;
    int m_fd = -1;
};
