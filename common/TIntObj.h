#pragma once
#include <QtGlobal>

// A plain object holding one integer, attached to list items to carry an id.
struct TIntObj
{
    qint32 Number = 0;
};
