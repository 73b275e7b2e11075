#pragma once
#include "DateTime.h"

#include <QString>

// The logged-in user as read from the user table; the schedule fields are times of day.
struct TUserInfo
{
    qint32 ID = 0;
    QString EmpID;
    QString FirstName;
    QString LastName;
    QString FullName;
    QString Group1;
    qint32 Level1 = 0;
    QString Group2;
    QString Group3;
    TDateTime MonStart = 0;
    TDateTime MonEnd = 0;
    TDateTime TueStart = 0;
    TDateTime TueEnd = 0;
    TDateTime WedStart = 0;
    TDateTime WedEnd = 0;
    TDateTime ThuStart = 0;
    TDateTime ThuEnd = 0;
    TDateTime FriStart = 0;
    TDateTime FriEnd = 0;
    TDateTime SatStart = 0;
    TDateTime SatEnd = 0;
    TDateTime SunStart = 0;
    TDateTime SunEnd = 0;
};
