#include "TFilterLibrary.h"

#include "TExtraFilter.h"

void TFilterLibrary::RegisterFilterClass(const QString& className, const TFilterFactory& create)
{
    for (const TFilterEntry& entry : std::as_const(m_entries)) {
        if (entry.ClassName == className)
            return;
    }
    const std::unique_ptr<TExtraFilter> probe = create(QString());
    m_entries.append(TFilterEntry{className, create, probe->DisplayName(), probe->FileExtension()});
}

void TFilterLibrary::UnregisterFilterClass(const TFilterFactory& create)
{
    const QString name = create(QString())->DisplayName();
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        if (m_entries[i].DisplayName == name) {
            m_entries.removeAt(i);
            return;
        }
    }
}

bool TFilterEntry::IsNamed(const QString& name) const
{
    QString shortName = DisplayName;
    shortName.remove(QStringLiteral(" File"));
    return name.compare(FileExtension, Qt::CaseInsensitive) == 0 || name.compare(DisplayName, Qt::CaseInsensitive) == 0
        || name.compare(shortName, Qt::CaseInsensitive) == 0;
}

const TFilterEntry* TFilterLibrary::Find(const QString& name) const
{
    for (const TFilterEntry& entry : m_entries) {
        if (entry.IsNamed(name))
            return &entry;
    }
    return nullptr;
}

TFilterLibrary& FilterLibrary()
{
    static TFilterLibrary library;
    return library;
}
