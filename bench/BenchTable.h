#pragma once
// The benchmark's result table: one line per size and measurement, printed as soon as it is known so
// that a long run shows its figures while it goes on.
#include <QHash>
#include <QList>
#include <QString>

struct TBenchRow
{
    int Size = 0; // enrolments
    QString Engine = QStringLiteral("sqlite");
    QString Measurement;
    QList<double> Seconds; // one per run
    int Pages = 0;         // pages made by one run; 0 where the measurement makes none
    qint64 PeakKiB = 0;    // highest of the runs
    QString Note;          // why there is no figure, or what the figure means
};

// The middle value; the mean of the two middle values of an even count; 0 for none.
double Median(QList<double> values);

class TBenchTable
{
public:
    // The engine's shell's median for a size: every other time of that size and engine is divided by it.
    void SetBaseline(int size, const QString& engine, double seconds) { m_baseline.insert(Key(size, engine), seconds); }
    QString Header() const;
    QString Line(const TBenchRow& row) const;

private:
    static QString Key(int size, const QString& engine) { return QString::number(size) + QLatin1Char('/') + engine; }

    QHash<QString, double> m_baseline;
};
