#pragma once
#include <QList>
#include <QString>
#include <functional>
#include <memory>

class TExtraFilter;

// Creates a filter for the given file name.
using TFilterFactory = std::function<std::unique_ptr<TExtraFilter>(const QString& fileName)>;

struct TFilterEntry
{
    QString ClassName;
    TFilterFactory Create;
    QString DisplayName;
    QString FileExtension;

    // Whether a user's name for a format means this filter: its extension, its display name or
    // that name without " File" ("htm", "Adobe PDF", "jpeg"), in any letter case.
    bool IsNamed(const QString& name) const;
};

// The engine's list of export filters, in the order the save dialog offers them.
class TFilterLibrary
{
public:
    // Appends an entry unless one of the same class name exists. Name and extension are read from a
    // temporary instance created with an empty file name.
    void RegisterFilterClass(const QString& className, const TFilterFactory& create);
    // Removes the first entry whose name equals the DisplayName of a temporary instance.
    void UnregisterFilterClass(const TFilterFactory& create);

    template <typename T>
    static TFilterFactory Factory()
    {
        return [](const QString& fileName) -> std::unique_ptr<TExtraFilter> { return std::make_unique<T>(fileName); };
    }

    const QList<TFilterEntry>& Entries() const { return m_entries; }
    // The first entry IsNamed(name); null when there is none.
    const TFilterEntry* Find(const QString& name) const;
    void Clear() { m_entries.clear(); }

private:
    QList<TFilterEntry> m_entries;
};

// The process-wide library the engine's save path reads.
TFilterLibrary& FilterLibrary();
