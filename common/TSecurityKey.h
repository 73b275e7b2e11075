#pragma once
#include <QString>

// One access right: its keyword and the minimum user levels (only Level1 decides).
struct TSecurityKey
{
    QString Keyword;
    qint32 Level1 = 0;
    qint32 Level2 = 0;
    qint32 Level3 = 0;
};
