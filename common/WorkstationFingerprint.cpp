#include "WorkstationFingerprint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace {

std::function<TFingerprintSources()> g_reader;

// Sources are read up to 1024 bytes, like the other identity strings of the suite.
constexpr qint64 MaxSourceBytes = 1024;

QByteArray ReadTrimmed(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QByteArray data = file.read(MaxSourceBytes).trimmed();
    // The kernel answers "(none)" for an unset domain name: nothing was read.
    if (data == "(none)")
        return {};
    return data;
}

// The first "key : value" of /proc/cpuinfo with that key.
QByteArray CpuInfoValue(const QByteArray& cpuinfo, const QByteArray& key)
{
    for (const QByteArray& line : cpuinfo.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed() == key)
            return line.mid(colon + 1).trimmed().left(MaxSourceBytes);
    }
    return {};
}

// Loop, RAM, optical and removable devices come and go; only fixed disks identify the machine.
bool IsFixedDisk(const QString& root, const QString& deviceName)
{
    static const QStringList virtualPrefixes = {QStringLiteral("loop"), QStringLiteral("ram"),
                                                QStringLiteral("zram"), QStringLiteral("sr"),
                                                QStringLiteral("fd")};
    for (const QString& prefix : virtualPrefixes) {
        if (deviceName.startsWith(prefix))
            return false;
    }
    // A partition's "removable" flag lives on its disk, one folder up.
    const QString classDir = root + QStringLiteral("sys/class/block/") + deviceName;
    QString diskDir = QFileInfo(classDir).canonicalFilePath();
    if (diskDir.isEmpty())
        diskDir = classDir;
    if (QFile::exists(diskDir + QStringLiteral("/partition")))
        diskDir = QFileInfo(diskDir).path();
    return ReadTrimmed(diskDir + QStringLiteral("/removable")) != "1";
}

QList<QByteArray> ReadDisks(const QString& root)
{
    QList<QByteArray> disks;
    const QDir byUuid(root + QStringLiteral("dev/disk/by-uuid"));
    for (const QFileInfo& entry : byUuid.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString device = QFileInfo(entry.symLinkTarget()).fileName();
        if (!device.isEmpty() && IsFixedDisk(root, device))
            disks << entry.fileName().toLatin1();
    }
    if (disks.isEmpty()) {
        const QDir blocks(root + QStringLiteral("sys/block"));
        for (const QString& device : blocks.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name)) {
            if (!IsFixedDisk(root, device))
                continue;
            const QByteArray serial = ReadTrimmed(blocks.filePath(device) + QStringLiteral("/serial"));
            if (!serial.isEmpty())
                disks << serial;
        }
    }
    std::sort(disks.begin(), disks.end());
    return disks;
}

constexpr quint32 FnvPrime = 16777619u;

void FeedByte(quint32& hash, quint8 byte)
{
    hash = (hash ^ byte) * FnvPrime;
}

void Feed(quint32& hash, const QByteArray& bytes)
{
    if (bytes.isEmpty())
        return;
    for (const char c : bytes)
        FeedByte(hash, static_cast<quint8>(c));
    FeedByte(hash, 0);
}

constexpr quint32 FnvOffsetBasis = 2166136261u;

// systemd writes "uninitialized" into an empty machine-id until the first boot completes, and system
// images often ship the file empty; neither identifies a computer.
bool IsMachineId(const QByteArray& text)
{
    return !text.isEmpty() && text != "uninitialized";
}

// Firmware that was never given an identity reports all zeros or all ones.
bool IsProductUuid(const QByteArray& text)
{
    QByteArray digits = text;
    digits.replace('-', QByteArray());
    if (digits.isEmpty())
        return false;
    const bool zeros = std::all_of(digits.cbegin(), digits.cend(), [](char c) { return c == '0'; });
    const bool ones = std::all_of(digits.cbegin(), digits.cend(), [](char c) { return c == 'f' || c == 'F'; });
    return !zeros && !ones;
}

TFingerprintSources CurrentSources()
{
    return g_reader ? g_reader() : ReadFingerprintSources();
}

} // namespace

TFingerprintSources ReadFingerprintSources(const QString& root)
{
    const QString base = root.endsWith(QLatin1Char('/')) ? root : root + QLatin1Char('/');
    TFingerprintSources sources;
    sources.MachineId = ReadTrimmed(base + QStringLiteral("etc/machine-id"));
    sources.DbusMachineId = ReadTrimmed(base + QStringLiteral("var/lib/dbus/machine-id"));
    sources.ProductUuid = ReadTrimmed(base + QStringLiteral("sys/class/dmi/id/product_uuid"));
    sources.HostName = ReadTrimmed(base + QStringLiteral("proc/sys/kernel/hostname"));
    sources.DomainName = ReadTrimmed(base + QStringLiteral("proc/sys/kernel/domainname"));
    QFile cpuinfo(base + QStringLiteral("proc/cpuinfo"));
    if (cpuinfo.open(QIODevice::ReadOnly)) {
        // /proc files report size 0, so read until the end rather than by size.
        const QByteArray text = cpuinfo.readAll();
        sources.CpuVendor = CpuInfoValue(text, "vendor_id");
        sources.CpuModel = CpuInfoValue(text, "model name");
    }
    sources.Disks = ReadDisks(base);
    return sources;
}

QByteArray MachineIdentity(const TFingerprintSources& sources)
{
    for (const QByteArray& id : {sources.MachineId, sources.DbusMachineId}) {
        if (IsMachineId(id))
            return id;
    }
    if (IsProductUuid(sources.ProductUuid))
        return sources.ProductUuid;
    return sources.HostName;
}

quint32 FingerprintDigest(const TFingerprintSources& sources)
{
    quint32 hash = FnvOffsetBasis;
    Feed(hash, MachineIdentity(sources));
    return hash;
}

quint32 LegacyFingerprintDigest(const TFingerprintSources& sources)
{
    quint32 hash = FnvOffsetBasis;
    Feed(hash, sources.MachineId);
    Feed(hash, sources.HostName);
    Feed(hash, sources.DomainName);
    Feed(hash, sources.CpuVendor);
    Feed(hash, sources.CpuModel);
    for (const QByteArray& disk : sources.Disks)
        Feed(hash, disk);
    return hash;
}

quint32 WorkstationFingerprint()
{
    return FingerprintDigest(CurrentSources());
}

quint32 LegacyWorkstationFingerprint()
{
    return LegacyFingerprintDigest(CurrentSources());
}

void SetFingerprintSources(std::function<TFingerprintSources()> reader)
{
    g_reader = std::move(reader);
}
