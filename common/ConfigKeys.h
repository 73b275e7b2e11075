#pragma once
// The configuration store's built-in key catalogue and the defaults of the shared scope.
#include <QList>
#include <QString>
#include <QStringList>

inline constexpr int SettingSectionCount = 8;

// The eight setting sections every configuration file holds, in the order they are handled.
const QStringList& SettingSections();
// Index into SettingSections(), comparing letter case exactly; -1 for any other name.
int SettingSectionIndex(const QString& section);

// "Key=Scopes" lines of one section, in catalogue order.
QStringList CatalogueLines(int sectionIndex);

struct TKeyDefault
{
    QString Section;
    QString Key;
    QString Value;
};

// Every default of the shared scope. Folder defaults are computed from the running program's
// location at each call.
QList<TKeyDefault> KeyDefaults();

// The running program's folder, ending in "/".
QString ProgramFolder();
