#pragma once
// Runs a program to its end with its standard streams redirected to files, and reports the wall time
// and the child's own peak resident memory (from wait4, so each child is measured on its own).
#include <QString>
#include <QStringList>

struct TChildResult
{
    bool Started = false;
    QString StartError; // why the program could not be started
    int ExitCode = -1;  // 128 + signal number when a signal ended it
    double Seconds = 0;
    qint64 PeakKiB = 0;
};

// Empty paths leave the stream as it is; stdout and stderr files are created or truncated.
TChildResult RunChild(const QString& program, const QStringList& arguments, const QString& stdinFile = {},
                      const QString& stdoutFile = {}, const QString& stderrFile = {});

// The resident-set high-water mark of this process so far, in KiB (0 where it cannot be read).
qint64 OwnPeakKiB();
