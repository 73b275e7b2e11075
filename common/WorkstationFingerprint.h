#pragma once
// The 32-bit value that identifies this computer in the "WorkStations" section of the shared
// configuration file.
//
// It is a digest of the computer's machine identity, the first of these that can be read:
//   1. /etc/machine-id, the identity the system gives its installation;
//   2. /var/lib/dbus/machine-id, where older or minimal systems keep the same identity;
//   3. /sys/class/dmi/id/product_uuid, the firmware's identity of the computer (readable by root only
//      on most systems);
//   4. the host name, as a last resort.
// So the code survives host renames, new partitions, USB disks and processor changes; it changes only
// when the system is reinstalled (a new machine-id).
//
// Earlier releases digested the host name, the processor model and the fixed disks instead. Their
// code is still computed so that an entry stored under it can be carried over to the new code.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// What the computer tells about itself. An empty entry was not readable.
struct TFingerprintSources
{
    QByteArray MachineId{};     // /etc/machine-id
    QByteArray HostName{};
    QByteArray DomainName{};
    QByteArray CpuVendor{};
    QByteArray CpuModel{};
    QList<QByteArray> Disks{};  // UUIDs (or serials) of the fixed disks, sorted
    QByteArray DbusMachineId{}; // /var/lib/dbus/machine-id
    QByteArray ProductUuid{};   // /sys/class/dmi/id/product_uuid
};

// Reads the sources below `root` ("/" on a real machine; tests point it at a prepared folder).
TFingerprintSources ReadFingerprintSources(const QString& root = QStringLiteral("/"));

// The identity the fingerprint is made of: the first usable source in the order above. An empty or
// "uninitialized" machine-id and an all-zero firmware identity do not count.
QByteArray MachineIdentity(const TFingerprintSources& sources);

// 32-bit FNV-1a over the machine identity followed by one zero byte. Stable from run to run and
// across builds: the codes are stored in every club's shared file.
quint32 FingerprintDigest(const TFingerprintSources& sources);

// The digest of earlier releases: FNV-1a over the machine-id, host name, domain name, processor vendor
// and model and every fixed disk, each readable one followed by a zero byte.
quint32 LegacyFingerprintDigest(const TFingerprintSources& sources);

// The digests of this machine's sources, or of the injected ones.
quint32 WorkstationFingerprint();
quint32 LegacyWorkstationFingerprint();

// Tests replace the machine's sources; an empty function restores them.
void SetFingerprintSources(std::function<TFingerprintSources()> reader);
