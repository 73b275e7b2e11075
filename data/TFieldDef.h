#pragma once
#include <QString>

// Field types of the layer; the declared column types of the club schema map onto them.
enum TFieldType { ftUnknown, ftString, ftSmallint, ftInteger, ftBoolean, ftDate, ftDateTime, ftCurrency, ftFloat, ftTime };

struct TFieldDef
{
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0; // text size of ftString fields; 0 = unlimited
};
