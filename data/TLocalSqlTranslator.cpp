#include "TLocalSqlTranslator.h"
#include "EDatabaseError.h"
#include "TSqlSchema.h"
#include <QDate>
#include <QHash>
#include <QTime>

namespace {
enum TTokenKind { tkIdent, tkQuoted, tkString, tkNumber, tkParam, tkSymbol };

enum TTokenRole { trNone, trTableName, trTableAlias, trColumnAlias, trRemoved };

struct TToken
{
    TTokenKind Kind = tkSymbol;
    QString Text;  // as written
    QString Value; // unquoted text, parameter name without colon, symbol itself
    QString Space; // white space before the token, kept so the engine's statement reads like the original
    QString Out;   // what is written for the token
    int Depth = 0; // parenthesis depth
    TTokenRole Role = trNone;
};

struct TTableRef
{
    QString Written;   // the name as the statement wrote it, without ".DB"
    QString Engine;    // the database's name; empty for an unknown table
    QString Quoted;    // the engine's name as the statement writes it
    QString Alias;     // empty when none
    QList<TColumnInfo> Columns;
    bool InsertTarget = false;

    QString Qualifier() const { return Alias.isEmpty() ? Quoted : Alias; }
    int ColumnIndex(const QString& name) const
    {
        for (int i = 0; i < Columns.size(); ++i) {
            if (Columns.at(i).Name.compare(name, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
};

// A column named in the statement: tokens [First, Last], resolved to a table where possible.
struct TColumnRef
{
    int First = 0;
    int Last = 0;
    QString Name;
    TFieldType Type = ftUnknown;
    int Size = 0;
    QList<int> Tables; // the tables that have the column, in FROM order (one for a qualified name)
    bool Qualified = false;
};

EDatabaseError SyntaxError(const QString& message)
{
    return EDatabaseError(QStringLiteral("Invalid statement"), message);
}

bool IsIdentStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_');
}

bool IsIdentPart(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

QString Unquote(const QString& text, QChar quote)
{
    QString inner = text.mid(1, text.size() - 2);
    inner.replace(QString(2, quote), QString(quote));
    return inner;
}

QList<TToken> Tokenize(const QString& sql)
{
    QList<TToken> tokens;
    QString space;
    int depth = 0;
    const int n = sql.size();
    int i = 0;
    auto add = [&](TTokenKind kind, int start, int end, const QString& value) {
        TToken token;
        token.Kind = kind;
        token.Text = sql.mid(start, end - start);
        token.Value = value;
        token.Out = token.Text;
        token.Space = space;
        space.clear();
        if (kind == tkSymbol && value == QLatin1String(")"))
            --depth;
        token.Depth = depth;
        if (kind == tkSymbol && value == QLatin1String("("))
            ++depth;
        tokens.append(token);
    };
    while (i < n) {
        const QChar c = sql.at(i);
        if (c.isSpace()) {
            space += c;
            ++i;
        } else if ((c == QLatin1Char('-') || c == QLatin1Char('/')) && i + 1 < n
                   && sql.at(i + 1) == (c == QLatin1Char('-') ? QLatin1Char('-') : QLatin1Char('*'))) {
            // The suite writes no comments; one here can only come from text spliced into the statement,
            // where it would hide the rest of the line from the engine.
            throw SyntaxError(QStringLiteral("Comments are not allowed: %1").arg(sql.mid(i).section(QLatin1Char('\n'), 0, 0)));
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            int j = i + 1;
            for (;;) {
                if (j >= n)
                    throw SyntaxError(QStringLiteral("Unterminated quoted text: %1").arg(sql.mid(i)));
                if (sql.at(j) == c) {
                    if (j + 1 < n && sql.at(j + 1) == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            add(c == QLatin1Char('\'') ? tkString : tkQuoted, i, j + 1, Unquote(sql.mid(i, j + 1 - i), c));
            i = j + 1;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && sql.at(i + 1).isDigit())) {
            int j = i;
            while (j < n && (sql.at(j).isDigit() || sql.at(j) == QLatin1Char('.')))
                ++j;
            if (j < n && (sql.at(j) == QLatin1Char('e') || sql.at(j) == QLatin1Char('E'))) {
                int k = j + 1;
                if (k < n && (sql.at(k) == QLatin1Char('+') || sql.at(k) == QLatin1Char('-')))
                    ++k;
                if (k < n && sql.at(k).isDigit()) {
                    j = k;
                    while (j < n && sql.at(j).isDigit())
                        ++j;
                }
            }
            add(tkNumber, i, j, sql.mid(i, j - i));
            i = j;
        } else if (IsIdentStart(c)) {
            int j = i + 1;
            while (j < n && IsIdentPart(sql.at(j)))
                ++j;
            add(tkIdent, i, j, sql.mid(i, j - i));
            i = j;
        } else if (c == QLatin1Char(':') && i + 1 < n && IsIdentStart(sql.at(i + 1))) {
            int j = i + 2;
            while (j < n && IsIdentPart(sql.at(j)))
                ++j;
            add(tkParam, i, j, sql.mid(i + 1, j - i - 1));
            i = j;
        } else {
            static const QStringList twoChar = {QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>"),
                                                QStringLiteral("!="), QStringLiteral("||"), QStringLiteral("==")};
            const QString two = sql.mid(i, 2);
            const int len = twoChar.contains(two) ? 2 : 1;
            add(tkSymbol, i, i + len, sql.mid(i, len));
            i += len;
        }
    }
    return tokens;
}

bool IsWord(const TToken& token, const char* word)
{
    return token.Kind == tkIdent && token.Value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

bool IsSymbol(const TToken& token, const char* symbol)
{
    return token.Kind == tkSymbol && token.Value == QLatin1String(symbol);
}

bool IsComparison(const TToken& token)
{
    static const QStringList ops = {QStringLiteral("="), QStringLiteral("=="), QStringLiteral("<>"), QStringLiteral("!="),
                                    QStringLiteral("<"), QStringLiteral(">"), QStringLiteral("<="), QStringLiteral(">=")};
    return token.Kind == tkSymbol && ops.contains(token.Value);
}

bool IsDateType(TFieldType type)
{
    return type == ftDate || type == ftDateTime;
}

class TStatement
{
public:
    TStatement(const TSqlSchema& schema, const QString& sql) : m_schema(schema), m_tokens(Tokenize(sql)) {}

    TTranslatedSql Translate()
    {
        RequireOneStatement();
        FindTables();
        FindSelectLists();
        FindColumnRefs();
        Rewrite();
        TTranslatedSql result;
        for (const TToken& token : std::as_const(m_tokens)) {
            if (token.Role != trRemoved)
                result.Sql += token.Space + token.Out;
        }
        result.Sql = result.Sql.trimmed();
        result.Params = m_params;
        result.ParamTypes = m_paramTypes;
        result.Columns = m_resultColumns;
        return result;
    }

private:
    void RequireOneStatement() const
    {
        for (int i = 0; i < Count(); ++i) {
            if (!IsSymbol(m_tokens.at(i), ";"))
                continue;
            for (int j = i + 1; j < Count(); ++j) {
                if (!IsSymbol(m_tokens.at(j), ";"))
                    throw SyntaxError(QStringLiteral("Only one statement can be run at a time"));
            }
        }
    }

    int Count() const { return int(m_tokens.size()); }
    const TToken* At(int i) const { return (i >= 0 && i < Count()) ? &m_tokens.at(i) : nullptr; }
    bool WordAt(int i, const char* word) const { return At(i) && IsWord(*At(i), word); }
    bool SymbolAt(int i, const char* symbol) const { return At(i) && IsSymbol(*At(i), symbol); }

    // Table references after FROM, JOIN, INTO and UPDATE.
    void FindTables()
    {
        for (int i = 0; i < Count(); ++i) {
            const TToken& token = m_tokens.at(i);
            if (token.Kind != tkIdent)
                continue;
            const bool from = IsWord(token, "FROM");
            if (from || IsWord(token, "JOIN") || IsWord(token, "UPDATE")) {
                int next = ReadTableRef(i + 1, false);
                while (next > 0 && from && SymbolAt(next, ","))
                    next = ReadTableRef(next + 1, false);
            } else if (IsWord(token, "INTO") && WordAt(i - 1, "INSERT")) {
                const int target = int(m_tables.size());
                const int next = ReadTableRef(i + 1, true);
                if (next > 0)
                    m_insertTarget = target;
                if (next > 0 && SymbolAt(next, "(")) {
                    m_insertListOpen = next;
                    for (int j = next + 1; j < Count(); ++j) {
                        if (SymbolAt(j, ")") && m_tokens.at(j).Depth == m_tokens.at(next).Depth) {
                            m_insertListClose = j;
                            break;
                        }
                    }
                }
            }
        }
    }

    // Returns the index after the reference, or -1 when there is none (a subquery, say).
    int ReadTableRef(int i, bool insertTarget)
    {
        const TToken* name = At(i);
        if (!name || !(name->Kind == tkIdent || name->Kind == tkQuoted || name->Kind == tkString))
            return -1;
        // Table names may be words the engine reserves ("groups"); only a clause cannot be one.
        if (name->Kind == tkIdent && (IsClauseWord(name->Value) || IsWord(*name, "WHERE")))
            return -1;
        TTableRef ref;
        ref.Written = name->Value;
        int next = i + 1;
        // ckActs.DB is written as a name, a dot and DB.
        if (SymbolAt(next, ".") && WordAt(next + 1, "DB") && m_tokens.at(next).Space.isEmpty()) {
            m_tokens[next].Role = trRemoved;
            m_tokens[next + 1].Role = trRemoved;
            next += 2;
        }
        ref.Written = TSqlSchema::StripExtension(ref.Written);
        ref.Engine = m_schema.EngineTableName(ref.Written);
        if (!ref.Engine.isEmpty())
            ref.Columns = m_schema.Columns(ref.Engine);
        ref.InsertTarget = insertTarget;
        TToken& nameToken = m_tokens[i];
        nameToken.Role = trTableName;
        nameToken.Out = m_schema.Quote(ref.Engine.isEmpty() ? ref.Written : ref.Engine);
        ref.Quoted = m_schema.Quote(ref.Engine);
        if (!insertTarget) {
            int aliasAt = next;
            if (WordAt(aliasAt, "AS"))
                ++aliasAt;
            const TToken* alias = At(aliasAt);
            if (alias && (alias->Kind == tkQuoted || (alias->Kind == tkIdent && !TSqlSchema::IsReservedWord(alias->Value)
                                                      && !IsClauseWord(alias->Value)))) {
                ref.Alias = alias->Value;
                m_tokens[aliasAt].Role = trTableAlias;
                next = aliasAt + 1;
            }
        }
        m_tables.append(ref);
        return next;
    }

    static bool IsClauseWord(const QString& word)
    {
        static const QStringList words = {QStringLiteral("SET"), QStringLiteral("VALUES"), QStringLiteral("SELECT")};
        return words.contains(word.toUpper());
    }

    // The select lists: item boundaries and explicit aliases.
    void FindSelectLists()
    {
        for (int i = 0; i < Count(); ++i) {
            if (!WordAt(i, "SELECT"))
                continue;
            const int depth = m_tokens.at(i).Depth;
            int start = i + 1;
            if (WordAt(start, "DISTINCT") || WordAt(start, "ALL"))
                ++start;
            int end = start;
            while (end < Count() && !(WordAt(end, "FROM") && m_tokens.at(end).Depth == depth))
                ++end;
            const bool outer = m_firstSelect < 0;
            int itemStart = start;
            for (int j = start; j <= end; ++j) {
                if (j == end || (SymbolAt(j, ",") && m_tokens.at(j).Depth == depth)) {
                    if (j > itemStart)
                        AddSelectItem(itemStart, j, outer);
                    itemStart = j + 1;
                }
            }
            if (m_firstSelect < 0)
                m_firstSelect = i;
        }
        // Order by at the outer level.
        for (int i = 0; i + 1 < Count(); ++i) {
            if (WordAt(i, "ORDER") && WordAt(i + 1, "BY") && m_tokens.at(i).Depth == 0) {
                m_orderByStart = i + 2;
                break;
            }
        }
    }

    struct TSelectItem
    {
        int First = 0;
        int Last = 0; // exclusive, without the alias
        QString Alias;
        bool Outer = false;
    };

    void AddSelectItem(int first, int end, bool outer)
    {
        TSelectItem item;
        item.First = first;
        item.Last = end;
        item.Outer = outer;
        if (end - first >= 3 && WordAt(end - 2, "AS")
            && (m_tokens.at(end - 1).Kind == tkIdent || m_tokens.at(end - 1).Kind == tkQuoted)) {
            item.Alias = m_tokens.at(end - 1).Value;
            m_tokens[end - 1].Role = trColumnAlias;
            item.Last = end - 2;
        }
        if (outer && !item.Alias.isEmpty())
            m_selectAliases.insert(item.Alias.toLower(), item.Alias);
        m_selectItems.append(item);
    }

    bool InInsertList(int i) const { return m_insertListOpen >= 0 && i > m_insertListOpen && i < m_insertListClose; }

    // Every name that denotes a column, with the tables that have it.
    void FindColumnRefs()
    {
        for (int i = 0; i < Count(); ++i) {
            const TToken& token = m_tokens.at(i);
            if (token.Role != trNone || !(token.Kind == tkIdent || token.Kind == tkQuoted))
                continue;
            // qualifier . field, where the field may be written in single quotes
            if (SymbolAt(i + 1, ".") && At(i + 2)
                && (At(i + 2)->Kind == tkIdent || At(i + 2)->Kind == tkQuoted || At(i + 2)->Kind == tkString)) {
                const int table = FindQualifier(token.Value);
                if (table >= 0) {
                    TColumnRef ref;
                    ref.First = i;
                    ref.Last = i + 2;
                    ref.Name = At(i + 2)->Value;
                    ref.Qualified = true;
                    ref.Tables.append(table);
                    const int column = m_tables.at(table).ColumnIndex(ref.Name);
                    if (column >= 0) {
                        ref.Name = m_tables.at(table).Columns.at(column).Name;
                        ref.Type = m_tables.at(table).Columns.at(column).Type;
                        ref.Size = m_tables.at(table).Columns.at(column).Size;
                    }
                    AddRef(ref);
                    i += 2;
                    continue;
                }
            }
            if (SymbolAt(i - 1, ".") || SymbolAt(i + 1, "(") || SymbolAt(i + 1, "."))
                continue;
            if (token.Kind == tkIdent && TSqlSchema::IsReservedWord(token.Value))
                continue;
            TColumnRef ref;
            ref.First = ref.Last = i;
            ref.Name = token.Value;
            if (InInsertList(i) || (m_insertTarget >= 0 && !HasSelect())) {
                if (m_insertTarget >= 0 && m_tables.at(m_insertTarget).ColumnIndex(token.Value) >= 0)
                    ref.Tables.append(m_insertTarget);
            } else {
                for (int t = 0; t < m_tables.size(); ++t) {
                    if (!m_tables.at(t).InsertTarget && m_tables.at(t).ColumnIndex(token.Value) >= 0)
                        ref.Tables.append(t);
                }
            }
            if (ref.Tables.isEmpty())
                continue;
            const TTableRef& first = m_tables.at(ref.Tables.first());
            const TColumnInfo& column = first.Columns.at(first.ColumnIndex(token.Value));
            ref.Type = column.Type;
            ref.Size = column.Size;
            AddRef(ref);
        }
    }

    bool HasSelect() const { return m_firstSelect >= 0; }

    int FindQualifier(const QString& name) const
    {
        for (int t = 0; t < m_tables.size(); ++t) {
            if (m_tables.at(t).Alias.compare(name, Qt::CaseInsensitive) == 0)
                return t;
        }
        for (int t = 0; t < m_tables.size(); ++t) {
            const TTableRef& table = m_tables.at(t);
            if (table.Alias.isEmpty() || table.InsertTarget) {
                if (table.Written.compare(name, Qt::CaseInsensitive) == 0
                    || (!table.Engine.isEmpty() && table.Engine.compare(name, Qt::CaseInsensitive) == 0))
                    return t;
            }
        }
        return -1;
    }

    void AddRef(const TColumnRef& ref)
    {
        m_refByFirst.insert(ref.First, int(m_refs.size()));
        m_refByLast.insert(ref.Last, int(m_refs.size()));
        m_refs.append(ref);
    }

    const TColumnRef* RefEndingAt(int i) const
    {
        const auto it = m_refByLast.constFind(i);
        return it == m_refByLast.constEnd() ? nullptr : &m_refs.at(*it);
    }
    const TColumnRef* RefStartingAt(int i) const
    {
        const auto it = m_refByFirst.constFind(i);
        return it == m_refByFirst.constEnd() ? nullptr : &m_refs.at(*it);
    }

    static bool IsTextOperand(const TToken* token, const TColumnRef* ref)
    {
        if (ref)
            return ref->Type == ftString;
        return token && token->Kind == tkString;
    }

    // The column a literal or parameter at i is compared with (or stored in), if any.
    const TColumnRef* ComparedColumn(int i) const
    {
        if (At(i - 1) && IsComparison(*At(i - 1))) {
            if (const TColumnRef* ref = RefEndingAt(i - 2))
                return ref;
        }
        if (At(i + 1) && IsComparison(*At(i + 1))) {
            if (const TColumnRef* ref = RefStartingAt(i + 2))
                return ref;
        }
        auto beforeBetween = [&](int between) -> const TColumnRef* {
            return RefEndingAt(WordAt(between - 1, "NOT") ? between - 2 : between - 1);
        };
        if (WordAt(i - 1, "BETWEEN"))
            return beforeBetween(i - 1);
        if (WordAt(i - 1, "AND") && At(i - 2) && (At(i - 2)->Kind == tkString || At(i - 2)->Kind == tkParam)
            && WordAt(i - 3, "BETWEEN"))
            return beforeBetween(i - 3);
        // col in ('a', 'b', ...)
        int j = i - 1;
        while (SymbolAt(j, ",") && At(j - 1) && (At(j - 1)->Kind == tkString || At(j - 1)->Kind == tkParam))
            j -= 2;
        if (SymbolAt(j, "(") && WordAt(j - 1, "IN"))
            return RefEndingAt(WordAt(j - 2, "NOT") ? j - 3 : j - 2);
        return nullptr;
    }

    // The target column of a value at i in "insert ... values (...)".
    TFieldType InsertValueType(int i) const
    {
        if (m_insertTarget < 0 || HasSelect())
            return ftUnknown;
        int open = -1;
        for (int j = i - 1; j >= 0; --j) {
            if (SymbolAt(j, "(") && m_tokens.at(j).Depth == m_tokens.at(i).Depth - 1) {
                open = j;
                break;
            }
        }
        if (open < 0 || !WordAt(open - 1, "VALUES"))
            return ftUnknown;
        int position = 0;
        for (int j = open + 1; j < i; ++j) {
            if (SymbolAt(j, ",") && m_tokens.at(j).Depth == m_tokens.at(i).Depth)
                ++position;
        }
        const TTableRef& target = m_tables.at(m_insertTarget);
        if (m_insertListOpen < 0)
            return position < target.Columns.size() ? target.Columns.at(position).Type : ftUnknown;
        int column = 0;
        for (int j = m_insertListOpen + 1; j < m_insertListClose; ++j) {
            if (SymbolAt(j, ",")) {
                ++column;
                continue;
            }
            if (column == position) {
                if (const TColumnRef* ref = RefStartingAt(j))
                    return ref->Type;
            }
        }
        return ftUnknown;
    }

    QString DateLiteral(const TToken& token, TFieldType type) const
    {
        QString text = token.Value.trimmed();
        QString timePart;
        if (type == ftDateTime) {
            const int blank = text.indexOf(QLatin1Char(' '));
            if (blank > 0) {
                timePart = text.mid(blank + 1).trimmed();
                text = text.left(blank);
            }
        }
        const QDate date = TSqlSchema::ParseMonthDayYear(text);
        QTime time(0, 0);
        if (!timePart.isEmpty()) {
            time = QTime::fromString(timePart, QStringLiteral("H:mm:ss"));
            if (!time.isValid())
                time = QTime::fromString(timePart, QStringLiteral("H:mm"));
        }
        if (!date.isValid() || !time.isValid())
            throw EDatabaseError(QStringLiteral("Invalid date in statement"),
                                 QStringLiteral("'%1' is not a valid date (month/day/year)").arg(token.Value));
        const QString stored = type == ftDate ? TSqlSchema::DateText(date) : TSqlSchema::DateTimeText(QDateTime(date, time));
        return QLatin1Char('\'') + stored + QLatin1Char('\'');
    }

    bool InOrderBy(int i) const { return m_orderByStart >= 0 && i >= m_orderByStart && m_tokens.at(i).Depth == 0; }

    // The select item that consists of exactly the tokens [first, last], if any.
    const TSelectItem* WholeSelectItem(int first, int last) const
    {
        for (const TSelectItem& item : m_selectItems) {
            if (item.First == first && item.Last == last + 1)
                return &item;
        }
        return nullptr;
    }

    void Rewrite()
    {
        for (int i = 0; i < Count(); ++i) {
            TToken& token = m_tokens[i];
            if (token.Role == trRemoved || token.Role == trTableName || token.Role == trTableAlias)
                continue;
            if (const TColumnRef* ref = RefStartingAt(i)) {
                RewriteColumn(*ref);
                i = ref->Last;
                continue;
            }
            switch (token.Kind) {
            case tkParam: {
                token.Out = QStringLiteral("?");
                m_params.append(token.Value.toLower());
                const TColumnRef* ref = ComparedColumn(i);
                m_paramTypes.append(ref ? ref->Type : InsertValueType(i));
                break;
            }
            case tkString: {
                const TColumnRef* ref = ComparedColumn(i);
                const TFieldType type = ref ? ref->Type : InsertValueType(i);
                if (IsDateType(type))
                    token.Out = DateLiteral(token, type);
                break;
            }
            case tkSymbol:
                if (token.Value == QLatin1String("+")
                    && (IsTextOperand(At(i - 1), RefEndingAt(i - 1)) || IsTextOperand(At(i + 1), RefStartingAt(i + 1))))
                    token.Out = QStringLiteral("||");
                break;
            case tkIdent:
            case tkQuoted:
                // A quoted alias keeps its letter case on PostgreSQL; written like every other name,
                // the order clause finds it.
                if (token.Role == trColumnAlias && token.Kind == tkQuoted && m_schema.Engine() == sePostgres)
                    token.Out = m_schema.Quote(token.Value);
                if (token.Role == trNone && token.Kind == tkIdent && !SymbolAt(i + 1, "(")) {
                    const bool native = m_schema.Engine() == sePostgres;
                    if (token.Value.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
                        token.Out = native ? QStringLiteral("true") : QStringLiteral("1");
                    else if (token.Value.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
                        token.Out = native ? QStringLiteral("false") : QStringLiteral("0");
                }
                if (token.Role == trNone && InOrderBy(i)) {
                    const auto alias = m_selectAliases.constFind(token.Value.toLower());
                    if (alias != m_selectAliases.constEnd())
                        token.Out = m_schema.Quote(*alias);
                }
                break;
            case tkNumber:
                break;
            }
        }
        BuildResultColumns();
    }

    void RewriteColumn(const TColumnRef& ref)
    {
        TToken& first = m_tokens[ref.First];
        if (ref.Qualified) {
            const TTableRef& table = m_tables.at(ref.Tables.first());
            const QString field = m_schema.Quote(ref.Name);
            if (InInsertList(ref.First)) {
                // insert into groups (groups."TimeStamp") - the engine takes plain column names there
                first.Out = field;
                m_tokens[ref.First + 1].Role = trRemoved;
                m_tokens[ref.Last].Role = trRemoved;
                return;
            }
            first.Out = table.Alias.compare(first.Value, Qt::CaseInsensitive) == 0 ? first.Text : table.Qualifier();
            m_tokens[ref.Last].Out = field;
            return;
        }
        if (InOrderBy(ref.First)) {
            // an order-by name is first a result column name, as the engine reads it
            const auto alias = m_selectAliases.constFind(ref.Name.toLower());
            if (alias != m_selectAliases.constEnd()) {
                first.Out = m_schema.Quote(*alias);
                return;
            }
        }
        if (ref.Tables.size() > 1 && !InInsertList(ref.First)) {
            const TTableRef& table = m_tables.at(ref.Tables.first());
            first.Out = table.Qualifier() + QLatin1Char('.') + m_schema.Quote(ref.Name);
            const TSelectItem* item = WholeSelectItem(ref.First, ref.Last);
            if (item && item->Alias.isEmpty()) {
                first.Out += QStringLiteral(" AS ") + m_schema.Quote(first.Value);
                if (item->Outer)
                    m_selectAliases.insert(first.Value.toLower(), first.Value);
            }
        }
    }

    TFieldType ItemType(int first, int last) const
    {
        // strip enclosing parentheses: distinct(leadid)
        while (last - first >= 2 && SymbolAt(first, "(") && SymbolAt(last - 1, ")"))
            ++first, --last;
        if (const TColumnRef* ref = RefStartingAt(first); ref && ref->Last == last - 1)
            return ref->Type;
        if (WordAt(first, "CAST") && last - first >= 6 && WordAt(last - 3, "AS"))
            return TSqlSchema::TypeFromDeclared(m_tokens.at(last - 2).Value);
        if (At(first) && At(first)->Kind == tkIdent && SymbolAt(first + 1, "(") && SymbolAt(last - 1, ")")) {
            const QString function = At(first)->Value.toUpper();
            if (function == QLatin1String("COUNT"))
                return ftInteger;
            if (function == QLatin1String("MAX") || function == QLatin1String("MIN"))
                return ItemType(first + 2, last - 1);
            if (function == QLatin1String("SUM") || function == QLatin1String("TOTAL") || function == QLatin1String("AVG")) {
                const TFieldType inner = ItemType(first + 2, last - 1);
                return inner == ftCurrency ? ftCurrency : ftFloat;
            }
            if (function == QLatin1String("UPPER") || function == QLatin1String("LOWER") || function == QLatin1String("TRIM")
                || function == QLatin1String("SUBSTR"))
                return ftString;
        }
        for (int i = first; i < last; ++i) {
            if (m_tokens.at(i).Out == QLatin1String("||") || m_tokens.at(i).Kind == tkString)
                return ftString;
        }
        return ftUnknown;
    }

    void BuildResultColumns()
    {
        for (const TSelectItem& item : std::as_const(m_selectItems)) {
            if (!item.Outer)
                continue;
            // select *, select t.*
            if (item.Last - item.First == 1 && SymbolAt(item.First, "*")) {
                for (const TTableRef& table : std::as_const(m_tables)) {
                    if (!table.InsertTarget)
                        AppendColumns(table);
                }
                continue;
            }
            if (item.Last - item.First == 3 && SymbolAt(item.First + 2, "*")) {
                const int table = FindQualifier(m_tokens.at(item.First).Value);
                if (table >= 0)
                    AppendColumns(m_tables.at(table));
                else
                    m_resultColumns.append(TFieldDef{});
                continue;
            }
            TFieldDef def;
            def.Name = item.Alias;
            def.DataType = ItemType(item.First, item.Last);
            if (const TColumnRef* ref = RefStartingAt(item.First); ref && ref->Last == item.Last - 1) {
                def.Size = ref->Size;
                if (def.Name.isEmpty())
                    def.Name = ref->Name;
            }
            m_resultColumns.append(def);
        }
    }

    void AppendColumns(const TTableRef& table)
    {
        for (const TColumnInfo& column : table.Columns)
            m_resultColumns.append(TFieldDef{column.Name, column.Type, column.Size});
    }

    const TSqlSchema& m_schema;
    QList<TToken> m_tokens;
    QList<TTableRef> m_tables;
    int m_insertTarget = -1;
    int m_insertListOpen = -1;
    int m_insertListClose = -1;
    int m_firstSelect = -1;
    int m_orderByStart = -1;
    QList<TSelectItem> m_selectItems;
    QHash<QString, QString> m_selectAliases; // lower-case -> as written
    QList<TColumnRef> m_refs;
    QHash<int, int> m_refByFirst;
    QHash<int, int> m_refByLast;
    QStringList m_params;
    QList<TFieldType> m_paramTypes;
    QList<TFieldDef> m_resultColumns;
};
} // namespace

TTranslatedSql TLocalSqlTranslator::Translate(const QString& localSql) const
{
    TStatement statement(m_schema, localSql);
    return statement.Translate();
}
