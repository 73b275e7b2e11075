#include "XlsxContent.h"

#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>
#include <zlib.h>

namespace {

quint32 Little(const QByteArray& data, qsizetype at, int bytes)
{
    quint32 value = 0;
    for (int i = bytes - 1; i >= 0; --i)
        value = (value << 8) | quint8(data.at(at + i));
    return value;
}

// The parts of a zip container by name, inflated; empty with a message in error on a damaged file.
QHash<QString, QByteArray> Unzip(const QByteArray& zip, QString& error)
{
    QHash<QString, QByteArray> parts;
    const qsizetype end = zip.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0 || end + 22 > zip.size()) {
        error = QStringLiteral("no zip directory");
        return {};
    }
    const int entries = int(Little(zip, end + 10, 2));
    qsizetype at = Little(zip, end + 16, 4);
    for (int i = 0; i < entries; ++i) {
        if (at + 46 > zip.size() || Little(zip, at, 4) != 0x02014b50) {
            error = QStringLiteral("damaged zip directory");
            return {};
        }
        const int method = int(Little(zip, at + 10, 2));
        const quint32 packed = Little(zip, at + 20, 4);
        const quint32 size = Little(zip, at + 24, 4);
        const int nameLength = int(Little(zip, at + 28, 2));
        const int skip = nameLength + int(Little(zip, at + 30, 2)) + int(Little(zip, at + 32, 2));
        const QString name = QString::fromUtf8(zip.mid(at + 46, nameLength));
        const qsizetype local = Little(zip, at + 42, 4);
        at += 46 + skip;
        if (local + 30 > zip.size()) {
            error = QStringLiteral("damaged entry %1").arg(name);
            return {};
        }
        const qsizetype data = local + 30 + Little(zip, local + 26, 2) + Little(zip, local + 28, 2);
        if (method == 0) {
            parts.insert(name, zip.mid(data, packed));
            continue;
        }
        QByteArray out(qsizetype(size), Qt::Uninitialized);
        z_stream stream = {};
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(zip.constData() + data));
        stream.avail_in = uInt(std::min<qsizetype>(packed, zip.size() - data));
        stream.next_out = reinterpret_cast<Bytef*>(out.data());
        stream.avail_out = uInt(size);
        if (method != 8 || inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
            error = QStringLiteral("entry %1 is packed with method %2").arg(name).arg(method);
            return {};
        }
        const int result = inflate(&stream, Z_FINISH);
        inflateEnd(&stream);
        if (result != Z_STREAM_END || stream.total_out != size) {
            error = QStringLiteral("entry %1 does not inflate").arg(name);
            return {};
        }
        parts.insert(name, out);
    }
    return parts;
}

// The text of the first element of that name (ignoring its prefix).
QString ElementText(const QByteArray& xml, const QString& name)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == name)
            return reader.readElementText();
    }
    return {};
}

struct TStyles
{
    QList<QString> Formats; // by cellXfs index
    QList<bool> Bold;
};

TStyles ReadStyles(const QByteArray& xml)
{
    QHash<int, QString> formats;
    QList<bool> fontBold;
    TStyles styles;
    QXmlStreamReader reader(xml);
    bool inFonts = false;
    bool inCellXfs = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement()) {
            if (reader.name() == QLatin1String("fonts"))
                inFonts = false;
            if (reader.name() == QLatin1String("cellXfs"))
                inCellXfs = false;
            continue;
        }
        if (!reader.isStartElement())
            continue;
        const auto attributes = reader.attributes();
        if (reader.name() == QLatin1String("numFmt"))
            formats.insert(attributes.value(QLatin1String("numFmtId")).toInt(),
                           attributes.value(QLatin1String("formatCode")).toString());
        else if (reader.name() == QLatin1String("fonts"))
            inFonts = true;
        else if (reader.name() == QLatin1String("cellXfs"))
            inCellXfs = true;
        else if (inFonts && reader.name() == QLatin1String("font"))
            fontBold.append(false);
        else if (inFonts && reader.name() == QLatin1String("b") && !fontBold.isEmpty())
            fontBold.last() = true;
        else if (inCellXfs && reader.name() == QLatin1String("xf")) {
            styles.Formats.append(formats.value(attributes.value(QLatin1String("numFmtId")).toInt()));
            styles.Bold.append(fontBold.value(attributes.value(QLatin1String("fontId")).toInt()));
        }
    }
    return styles;
}

// A string as spreadsheet programs show it: "_xHHHH_" stands for the character U+HHHH.
QString DecodeCharacterNames(const QString& text)
{
    static const QRegularExpression name(QStringLiteral("_x([0-9A-Fa-f]{4})_"));
    QString result;
    qsizetype from = 0;
    for (auto it = name.globalMatch(text); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        result += text.mid(from, match.capturedStart() - from);
        result += QChar(char16_t(match.captured(1).toUShort(nullptr, 16)));
        from = match.capturedEnd();
    }
    return result + text.mid(from);
}

int RowOf(const QString& reference)
{
    static const QRegularExpression digits(QStringLiteral("[0-9]+$"));
    return digits.match(reference).captured().toInt();
}

TXlsxSheet ReadSheet(const QString& name, const QByteArray& xml, const TStyles& styles)
{
    TXlsxSheet sheet;
    sheet.Name = name;
    QXmlStreamReader reader(xml);
    QString reference;
    TXlsxCell cell;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isEndElement() && reader.name() == QLatin1String("c")) {
            sheet.Cells.insert(reference, cell);
            sheet.LastRow = std::max(sheet.LastRow, RowOf(reference));
            continue;
        }
        if (!reader.isStartElement())
            continue;
        const auto attributes = reader.attributes();
        if (reader.name() == QLatin1String("c")) {
            reference = attributes.value(QLatin1String("r")).toString();
            cell = TXlsxCell();
            cell.Type = attributes.value(QLatin1String("t")).toString();
            const int style = attributes.value(QLatin1String("s")).toInt();
            cell.NumberFormat = styles.Formats.value(style);
            cell.Bold = styles.Bold.value(style);
        } else if (reader.name() == QLatin1String("v")) {
            cell.Value += reader.readElementText();
        } else if (reader.name() == QLatin1String("t")) {
            cell.Value += DecodeCharacterNames(reader.readElementText());
        } else if (reader.name() == QLatin1String("f")) {
            cell.Formula = true;
        } else if (reader.name() == QLatin1String("pane")
                   && attributes.value(QLatin1String("state")) == QLatin1String("frozen")) {
            sheet.FrozenTopLeft = attributes.value(QLatin1String("topLeftCell")).toString();
        } else if (reader.name() == QLatin1String("autoFilter")) {
            sheet.AutoFilter = attributes.value(QLatin1String("ref")).toString();
        } else if (reader.name() == QLatin1String("col")) {
            const int first = attributes.value(QLatin1String("min")).toInt();
            const int last = attributes.value(QLatin1String("max")).toInt();
            for (int column = first; column <= last; ++column)
                sheet.Widths.insert(column, attributes.value(QLatin1String("width")).toDouble());
        }
    }
    return sheet;
}

} // namespace

TXlsxContent ReadXlsx(const QString& fileName)
{
    TXlsxContent content;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        content.Error = file.errorString();
        return content;
    }
    const QHash<QString, QByteArray> parts = Unzip(file.readAll(), content.Error);
    if (!content.Error.isEmpty())
        return content;

    // Sheet names in workbook order, and the part each relationship points to.
    QHash<QString, QString> targets;
    QXmlStreamReader relations(parts.value(QStringLiteral("xl/_rels/workbook.xml.rels")));
    while (!relations.atEnd()) {
        relations.readNext();
        if (relations.isStartElement() && relations.name() == QLatin1String("Relationship"))
            targets.insert(relations.attributes().value(QLatin1String("Id")).toString(),
                           QStringLiteral("xl/") + relations.attributes().value(QLatin1String("Target")).toString());
    }
    const TStyles styles = ReadStyles(parts.value(QStringLiteral("xl/styles.xml")));
    QXmlStreamReader workbook(parts.value(QStringLiteral("xl/workbook.xml")));
    while (!workbook.atEnd()) {
        workbook.readNext();
        if (!workbook.isStartElement() || workbook.name() != QLatin1String("sheet"))
            continue;
        const QString part = targets.value(workbook.attributes().value(QStringLiteral("r:id")).toString());
        if (!parts.contains(part)) {
            content.Error = QStringLiteral("missing sheet part %1").arg(part);
            return content;
        }
        content.Sheets.append(
            ReadSheet(workbook.attributes().value(QLatin1String("name")).toString(), parts.value(part), styles));
    }
    content.Title = ElementText(parts.value(QStringLiteral("docProps/core.xml")), QStringLiteral("title"));
    content.Company = ElementText(parts.value(QStringLiteral("docProps/app.xml")), QStringLiteral("Company"));
    return content;
}
