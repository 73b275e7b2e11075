#pragma once
// The rights table "Security" in memory, read once in table order.
#include "TSecurityKey.h"

#include <QList>

class TSecurityInfo
{
public:
    // Reads every row of "Security"; engine errors reach the caller.
    TSecurityInfo();

    // The first right whose keyword matches without regard to letter case; nullptr if none does.
    const TSecurityKey* KeyFor(const QString& keyword) const;
    const QList<TSecurityKey>& Keys() const { return m_keys; }

private:
    QList<TSecurityKey> m_keys;
};
