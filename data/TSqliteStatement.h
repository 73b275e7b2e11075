#pragma once
#include "TFieldDef.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <memory>
#include <vector>

class QSqlDatabase;
struct sqlite3;
struct sqlite3_stmt;

// A statement run through SQLite's own interface on the connection Qt Sql opened. Qt's driver copies
// every column of every row into UTF-16 strings and variants as it steps; here a field is converted
// only when it is read, from the text as it lies in the engine. The values are those the driver would
// hand over, converted as TSqlSchema::FromStorage converts them, and parameters are bound as the
// driver binds them, so a statement gives the same rows either way.
//
// A statement belongs to its connection: TSession releases the statements of a connection before it
// closes it (an unfinalized statement would keep the connection from closing), and a released
// statement must be prepared again. Statements are used on the user-interface thread only.
class TSqliteStatement
{
public:
    // The engine's handle of an open SQLite connection; null for a connection of another engine.
    static sqlite3* Handle(const QSqlDatabase& database);
    // Finalizes every statement prepared on the connection with this handle.
    static void ReleaseConnection(sqlite3* handle);

    // Prepares the statement on the open SQLite connection; throws EDatabaseError with the context and
    // the engine's message when it cannot be prepared.
    TSqliteStatement(const QSqlDatabase& database, const QString& sql, const QString& context);
    ~TSqliteStatement();
    TSqliteStatement(const TSqliteStatement&) = delete;
    TSqliteStatement& operator=(const TSqliteStatement&) = delete;

    bool Released() const { return m_statement == nullptr; }
    bool ReturnsRows() const;
    // Result column names as Qt's driver gives them (double quotes removed).
    QStringList ColumnNames() const;

    // Puts the statement back before its first row and ends its read of the database.
    void Reset();
    // Binds the parameters in placeholder order; throws when their number does not match.
    void Bind(const QList<QVariant>& values, const QString& context);
    // Runs the statement up to its next row: false when there is none. Throws EDatabaseError on a
    // failure, such as a lock held past the wait, instead of ending the rows early.
    bool Step(const QString& context);

    // Reads every row of the result into a compact buffer and ends the statement's read of the
    // database: on a club file shared with other workstations a reader holds its lock only as long as
    // the query and the fetch take, not while a long report is laid out and written. Step() then
    // walks the buffer, and Rewind() starts it over without reading the database again.
    void FetchAll(const QString& context);
    bool Buffered() const { return m_buffered; }
    void Rewind();
    // Bytes the buffered rows take.
    qint64 BufferedBytes() const;
    qint64 BufferedRows() const { return m_bufferedRows; }

    // A field of the current row, delivered as the layer's type.
    QVariant Value(int column, TFieldType type) const;

private:
    // One field of a buffered row as the engine delivered it.
    struct TCell
    {
        int Type = 0; // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
        bool Utf16 = false;
        qint64 Integer = 0;
        double Float = 0;
        const char* Data = nullptr;
        int Size = 0;
    };
    void AppendRow();
    void ClearBuffer();
    bool NextBufferedRow();
    static QVariant CellValue(const TCell& cell, TFieldType type);

    [[noreturn]] void Fail(const QString& context, int code, const QString& message = {});
    void Finalize();

    sqlite3* m_handle = nullptr;
    sqlite3_stmt* m_statement = nullptr;
    QString m_connection; // Qt Sql's connection name, for the messages that name the file

    // The buffered rows, one after another in chunks of memory; a row never spans two chunks.
    bool m_buffered = false;
    struct TChunk
    {
        std::unique_ptr<char[]> Data;
        qint64 Used = 0;
        qint64 Capacity = 0;
    };
    std::vector<TChunk> m_chunks;
    qint64 m_bufferedBytes = 0;
    qint64 m_bufferedRows = 0;
    qint64 m_readRows = 0;
    size_t m_readChunk = 0;
    qint64 m_readOffset = 0;
    std::vector<TCell> m_row; // the current buffered row
    QByteArray m_scratch;     // a row being encoded
};
