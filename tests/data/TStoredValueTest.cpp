#include "TClubFixture.h"
#include "TQuery.h"
#include "TSqlSchema.h"
#include <QDate>

namespace {
struct TStoredRow
{
    const char* Name;
    TFieldType Type;
    QVariant Stored;
    QVariant Expected; // compared by type as well as by value
};

// Each delivered type from what the engines hand over: the types the columns are declared with, and the
// odd ones a computed column or a loosely typed SQLite value brings.
TEST(TStoredValue, ConvertsToTheDeliveredType)
{
    const TStoredRow rows[] = {
        {"text as text", ftString, QVariant(QStringLiteral("Karate")), QVariant(QStringLiteral("Karate"))},
        {"empty text stays text", ftString, QVariant(QString()), QVariant(QString())},
        {"number as text", ftString, QVariant(qlonglong(42)), QVariant(QStringLiteral("42"))},
        {"real as text", ftString, QVariant(2.5), QVariant(QStringLiteral("2.5"))},
        {"null text", ftString, QVariant(QMetaType(QMetaType::QString)), QVariant()},
        {"engine integer", ftInteger, QVariant(qlonglong(-7)), QVariant(-7)},
        {"engine integer, small", ftSmallint, QVariant(qlonglong(12)), QVariant(12)},
        {"integer already int", ftInteger, QVariant(5), QVariant(5)},
        {"integer as padded text", ftInteger, QVariant(QStringLiteral(" 42 ")), QVariant(42)},
        {"integer as blank text", ftInteger, QVariant(QStringLiteral("  ")), QVariant()},
        {"null integer", ftInteger, QVariant(QMetaType(QMetaType::LongLong)), QVariant()},
        {"engine real", ftFloat, QVariant(1.25), QVariant(1.25)},
        {"real from integer", ftFloat, QVariant(qlonglong(3)), QVariant(3.0)},
        {"real from text", ftFloat, QVariant(QStringLiteral("0.5")), QVariant(0.5)},
        {"currency", ftCurrency, QVariant(19.99), QVariant(19.99)},
        {"currency from integer", ftCurrency, QVariant(qlonglong(20)), QVariant(20.0)},
        {"null currency", ftCurrency, QVariant(QMetaType(QMetaType::Double)), QVariant()},
        {"date text", ftDate, QVariant(QStringLiteral("2010-03-15")), QVariant(QDate(2010, 3, 15))},
    };
    for (const TStoredRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const QVariant value = TSqlSchema::FromStorage(row.Type, row.Stored);
        EXPECT_EQ(value.isValid(), row.Expected.isValid());
        EXPECT_EQ(value.typeId(), row.Expected.typeId());
        EXPECT_EQ(value, row.Expected);
    }
}

class TStoredValueQuery : public TClubFixture
{
};

// A text field over a column of another type is cut to size after the conversion, and a column read
// as text keeps its value when it fits.
TEST_F(TStoredValueQuery, TextFieldsOverOtherColumnsAreCutAfterConversion)
{
    Exec(QStringLiteral("insert into ckacts values (123456, 'Karate'), (7, 'Yoga')"));
    TQuery query;
    query.SQL() << QStringLiteral("select id, description from ckacts order by id");
    query.SetFieldDefs({{QStringLiteral("id"), ftString, 3}, {QStringLiteral("description"), ftString, 30}});
    query.Open();
    EXPECT_EQ(query.FieldValue(0), QVariant(QStringLiteral("7")));
    EXPECT_EQ(query.FieldValue(1), QVariant(QStringLiteral("Yoga")));
    query.Next();
    EXPECT_EQ(query.FieldValue(0), QVariant(QStringLiteral("123")));
    EXPECT_EQ(query.FieldValue(1), QVariant(QStringLiteral("Karate")));
    query.Next();
    EXPECT_TRUE(query.Eof());
    EXPECT_FALSE(query.FieldValue(0).isValid());
}
} // namespace
