#pragma once
// The suite's settings: the shared file "VKD.INI", this workstation's file and the logged-in user's
// file, all in the folder "Config" beside the club database, read into memory once. A read asks the
// key catalogue which files may set the key and takes the first non-empty value in that order.
#include "ConfigKeys.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>

class TbrmIniFile
{
public:
    using TSectionLists = std::array<QStringList, SettingSectionCount>;

    // Locates "Config" from the alias Brelmdata, registers this workstation on first use (asking
    // for its name) and loads the shared and workstation files. Throws EInvalidAlias or EInvalidPath.
    TbrmIniFile();

    // Reads the file of scope "S", "W" or "U" into that scope's lists; "S" also gets the defaults.
    void LoadScope(const QString& scope);
    // The values of `section` in the scope of the first letter of `scopes`; nullptr for a section
    // or letter the store does not know (letter case counts).
    const QStringList* ValuesOf(const QString& section, const QString& scopes) const;
    // The scope string of a catalogued key (key letter case ignored), else empty.
    QString ScopesOf(const QString& section, const QString& key) const;
    // The first non-empty value along the key's scopes; empty when none is set.
    QString ReadValue(const QString& section, const QString& key) const;

    // Makes the user scope the file of that employee code and loads it.
    void SetUser(const QString& empId);
    void ClearUser();

    // What "end the program at once" does; the default shows nothing more and exits. Tests install
    // a function that records the request (the constructor then raises EProgramTerminated).
    static void SetTerminate(std::function<void()> terminate);

    QString SharedFileName;
    QString UserFileName;
    QString WorkstationFileName;
    QString ConfigFolder;
    TSectionLists Catalogue;
    TSectionLists SharedValues;
    TSectionLists UserValues;
    TSectionLists WorkstationValues;

private:
    QString CarryOverLegacyEntry(const QString& code);
    QString RegisterWorkstation(const QString& code);
};

// The process-wide store, created on first use; creation errors reach the caller and leave it empty.
TbrmIniFile& SuiteIni();
bool SuiteIniExists();
// Forgets the process-wide store, so the next SuiteIni() creates a new one (tests).
void ResetSuiteIni();

// Lookups in "key=value" lists, the key compared without regard to letter case; the first match wins.
QString ListValue(const QStringList& lines, const QString& key);
void SetListValue(QStringList& lines, const QString& key, const QString& value);
