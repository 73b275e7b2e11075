#include "TIniDocument.h"

#include "TextFunctions.h"

#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>
#include <stdexcept>

namespace {

// A lock older than this was left by a workstation that crashed, and is taken over. A writer waits
// longer than that, so such a lock never makes it fail: QLockFile looks a last time when the wait
// ends, and the margin covers clocks of workstations and file server that differ by a few seconds.
constexpr int StaleLockMarginMsecs = 5000;
int g_staleLockMsecs = TIniDocument::DefaultStaleLockMsecs;

const QByteArray Utf8Bom("\xEF\xBB\xBF");

QString Decode(const QByteArray& bytes)
{
    QStringDecoder decoder("windows-1252");
    return decoder(bytes);
}

QByteArray Encode(const QString& text)
{
    QStringEncoder encoder("windows-1252");
    return encoder(text);
}

[[noreturn]] void Fail(const QString& message)
{
    throw std::runtime_error(message.toStdString());
}

QString Quoted(const QString& path)
{
    return QLatin1Char('"') + path + QLatin1Char('"');
}

// QLockFile keeps the system's error to itself; its kind of failure is what the user can act on.
QString LockFailure(const QLockFile& lock, const QString& path)
{
    switch (lock.error()) {
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host, application;
        if (lock.getLockInfo(&pid, &host, &application) && !host.isEmpty())
            return QStringLiteral("the workstation %1 holds its lock file").arg(host);
        return QStringLiteral("another program holds its lock file");
    }
    case QLockFile::PermissionError:
        return QStringLiteral("no permission to create %1 in the folder %2").arg(Quoted(path + QStringLiteral(".lock")), Quoted(QFileInfo(path).path()));
    default:
        return QStringLiteral("its lock file %1 cannot be created").arg(Quoted(path + QStringLiteral(".lock")));
    }
}

} // namespace

TIniDocument::TIniDocument(const QByteArray& bytes)
{
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        TLine line{bytes.mid(start, end - start), {}};
        if (end < size) {
            const qsizetype endingLength = bytes.at(end) == '\r' && end + 1 < size && bytes.at(end + 1) == '\n' ? 2 : 1;
            line.Ending = bytes.mid(end, endingLength);
            end += endingLength;
        }
        m_lines << line;
        start = end;
    }
}

bool TIniDocument::CanHold(const QString& text)
{
    QStringEncoder encoder("windows-1252");
    const QByteArray bytes = encoder(text);
    return !encoder.hasError() && Decode(bytes) == text;
}

int TIniDocument::LockWaitMsecs()
{
    return g_staleLockMsecs + StaleLockMarginMsecs;
}

void TIniDocument::SetStaleLockTime(int msecs)
{
    g_staleLockMsecs = msecs > 0 ? msecs : DefaultStaleLockMsecs;
}

TIniDocument TIniDocument::Load(const QString& path)
{
    QFile file(path);
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("Cannot read the configuration file %1: %2").arg(Quoted(path), file.errorString()));
    return TIniDocument(file.readAll());
}

void TIniDocument::Update(const QString& path, const std::function<bool(TIniDocument&)>& edit)
{
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(g_staleLockMsecs);
    if (!lock.tryLock(LockWaitMsecs()))
        Fail(QStringLiteral("Cannot lock the configuration file %1: %2").arg(Quoted(path), LockFailure(lock, path)));

    TIniDocument document = Load(path);
    if (!edit(document))
        return;

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        Fail(QStringLiteral("Cannot write the configuration file %1: %2").arg(Quoted(path), file.errorString()));
    const QByteArray bytes = document.ToBytes();
    if (file.write(bytes) != bytes.size() || !file.commit())
        Fail(QStringLiteral("Cannot write the configuration file %1: %2").arg(Quoted(path), file.errorString()));
}

TIniDocument::TKind TIniDocument::Parse(qsizetype index, QString& name, QString& value) const
{
    QByteArray raw = m_lines.at(index).Text;
    if (index == 0 && raw.startsWith(Utf8Bom))
        raw = raw.mid(Utf8Bom.size());
    const QString text = TrimBlanks(Decode(raw));
    if (text.isEmpty() || text.startsWith(QLatin1Char(';')) || text.startsWith(QLatin1Char('#')))
        return lkOther;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        name = TrimBlanks(text.mid(1, close < 0 ? -1 : close - 1));
        return lkSection;
    }
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return lkOther;
    name = TrimBlanks(text.left(equals));
    value = TrimBlanks(text.mid(equals + 1));
    return lkValue;
}

qsizetype TIniDocument::FindSection(const QString& section, qsizetype& end) const
{
    QString name, value;
    qsizetype begin = -1;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (Parse(i, name, value) != lkSection)
            continue;
        if (begin >= 0) {
            end = i;
            return begin;
        }
        if (name.compare(section, Qt::CaseInsensitive) == 0)
            begin = i + 1;
    }
    end = m_lines.size();
    return begin;
}

QStringList TIniDocument::SectionLines(const QString& section) const
{
    QStringList lines;
    qsizetype end = 0;
    const qsizetype begin = FindSection(section, end);
    if (begin < 0)
        return lines;
    QString name, value;
    for (qsizetype i = begin; i < end; ++i) {
        if (Parse(i, name, value) == lkValue)
            lines << name + QLatin1Char('=') + value;
    }
    return lines;
}

QString TIniDocument::ReadString(const QString& section, const QString& key) const
{
    qsizetype end = 0;
    const qsizetype begin = FindSection(section, end);
    if (begin < 0)
        return {};
    QString name, value;
    for (qsizetype i = begin; i < end; ++i) {
        if (Parse(i, name, value) == lkValue && name.compare(key, Qt::CaseInsensitive) == 0)
            return value;
    }
    return {};
}

QByteArray TIniDocument::DefaultEnding() const
{
    // Follow the file's own convention; a new file gets the one the suite's other programs write.
    for (const TLine& line : m_lines) {
        if (!line.Ending.isEmpty())
            return line.Ending;
    }
    return QByteArrayLiteral("\r\n");
}

void TIniDocument::WriteString(const QString& section, const QString& key, const QString& value)
{
    const QByteArray ending = DefaultEnding();
    qsizetype end = 0;
    const qsizetype begin = FindSection(section, end);
    if (begin < 0) {
        if (!m_lines.isEmpty() && m_lines.last().Ending.isEmpty())
            m_lines.last().Ending = ending;
        m_lines << TLine{Encode(QLatin1Char('[') + section + QLatin1Char(']')), ending};
        m_lines << TLine{Encode(key + QLatin1Char('=') + value), ending};
        return;
    }

    QString name, oldValue;
    qsizetype insertAt = begin;
    for (qsizetype i = begin; i < end; ++i) {
        const TKind kind = Parse(i, name, oldValue);
        if (kind == lkValue && name.compare(key, Qt::CaseInsensitive) == 0) {
            // Keep the key as the file spells it; only the value changes.
            m_lines[i].Text = Encode(name + QLatin1Char('=') + value);
            return;
        }
        if (!TrimBlanks(Decode(m_lines.at(i).Text)).isEmpty())
            insertAt = i + 1;
    }
    // After the section's last non-blank line, so blank lines before the next section stay put.
    if (insertAt > 0 && m_lines.at(insertAt - 1).Ending.isEmpty())
        m_lines[insertAt - 1].Ending = ending;
    m_lines.insert(insertAt, TLine{Encode(key + QLatin1Char('=') + value), ending});
}

QByteArray TIniDocument::ToBytes() const
{
    QByteArray bytes;
    for (const TLine& line : m_lines)
        bytes += line.Text + line.Ending;
    return bytes;
}
