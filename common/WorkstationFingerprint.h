#pragma once
// The 32-bit value that identifies this computer in the "WorkStations" section of the shared
// configuration file.
#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// What the fingerprint is made of, in the order it is digested. An empty entry was not readable
// and adds nothing.
struct TFingerprintSources
{
    QByteArray MachineId;   // identity of the operating-system installation
    QByteArray HostName;
    QByteArray DomainName;
    QByteArray CpuVendor;
    QByteArray CpuModel;
    QList<QByteArray> Disks; // UUIDs (or serials) of the fixed disks, sorted
};

// Reads the sources below `root` ("/" on a real machine; tests point it at a prepared folder).
TFingerprintSources ReadFingerprintSources(const QString& root = QStringLiteral("/"));

// 32-bit FNV-1a over every readable source in order, each followed by one zero byte so that
// neighbouring sources cannot run into each other. Stable from run to run and across builds.
quint32 FingerprintDigest(const TFingerprintSources& sources);

// The digest of this machine's sources, or of the injected ones.
quint32 WorkstationFingerprint();

// Tests replace the machine's sources; an empty function restores them.
void SetFingerprintSources(std::function<TFingerprintSources()> reader);
