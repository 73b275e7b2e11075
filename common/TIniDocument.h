#pragma once
// An INI file held as its original lines, so that changing one value rewrites one line and leaves
// every other byte of the file (comments, blank lines, line endings, other sections) as it was.
// Section and key names compare without regard to letter case; text is code page 1252.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

class TIniDocument
{
public:
    TIniDocument() = default;
    explicit TIniDocument(const QByteArray& bytes);

    // A missing file reads as an empty document; an unreadable one throws std::runtime_error.
    static TIniDocument Load(const QString& path);

    // Re-reads the file under a lock file beside it, lets `edit` change the fresh content and, when
    // `edit` returns true, replaces the file atomically (temporary file in the same folder, then
    // rename). Writers on other workstations therefore never lose each other's changes and readers
    // never see a half-written file. Throws std::runtime_error naming the file when it cannot lock,
    // read or write.
    static void Update(const QString& path, const std::function<bool(TIniDocument&)>& edit);

    // A lock file older than the stale time was left by a crashed writer and is taken over; Update
    // waits for a lock a little longer than that, so such a lock delays it but never makes it fail.
    static constexpr int DefaultStaleLockMsecs = 30000;
    static int LockWaitMsecs();
    // Tests shorten the stale time; 0 restores the default.
    static void SetStaleLockTime(int msecs);

    // The key=value lines of the first section of that name, trimmed, in file order; comments and
    // lines without "=" are left out.
    QStringList SectionLines(const QString& section) const;
    // The value of the first matching key of the first section of that name; empty when absent.
    QString ReadString(const QString& section, const QString& key) const;
    // Rewrites the key's line, or adds it at the end of its section, or adds the section at the end.
    void WriteString(const QString& section, const QString& key, const QString& value);

    QByteArray ToBytes() const;

    // Whether the file's code page has every character of `text`; others would be stored as "?".
    static bool CanHold(const QString& text);

private:
    struct TLine
    {
        QByteArray Text;
        QByteArray Ending; // "\r\n", "\n", "\r" or empty for a last line without one
    };
    enum TKind { lkOther, lkSection, lkValue };

    TKind Parse(qsizetype index, QString& name, QString& value) const;
    // Index of the first line of the section's body and one past its last line; -1 when absent.
    qsizetype FindSection(const QString& section, qsizetype& end) const;
    QByteArray DefaultEnding() const;

    QList<TLine> m_lines;
};
