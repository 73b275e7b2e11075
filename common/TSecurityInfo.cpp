#include "TSecurityInfo.h"

#include "TTable.h"

TSecurityInfo::TSecurityInfo()
{
    TTable table(QStringLiteral("Brelmdata"), QStringLiteral("Security"));
    table.SetReadOnly(true);
    table.Open();
    for (table.First(); !table.Eof(); table.Next()) {
        m_keys << TSecurityKey{table.FieldAsString(QStringLiteral("Keyword")),
                               table.FieldAsInteger(QStringLiteral("Level1")),
                               table.FieldAsInteger(QStringLiteral("Level2")),
                               table.FieldAsInteger(QStringLiteral("Level3"))};
    }
    table.Close();
}

const TSecurityKey* TSecurityInfo::KeyFor(const QString& keyword) const
{
    const QString wanted = keyword.toUpper();
    for (const TSecurityKey& key : m_keys) {
        if (key.Keyword.toUpper() == wanted)
            return &key;
    }
    return nullptr;
}
