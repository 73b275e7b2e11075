#include "TPdfUnicodeFont.h"

#include "TByteBuffer.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <hb-ot.h>
#include <hb-subset.h>
#include <hb.h>

namespace {

// The most codes one font can give out: two bytes each, 0 being the missing glyph.
constexpr int MaxCodes = 0xFFFF;

const char HexDigits[] = "0123456789ABCDEF";

void AppendHex16(QByteArray& out, unsigned value)
{
    for (int shift = 12; shift >= 0; shift -= 4)
        out += HexDigits[(value >> shift) & 0xF];
}

// The character in UTF-16 as hex digits: one unit, or a surrogate pair beyond the BMP.
QByteArray Utf16Hex(char32_t character)
{
    QByteArray result;
    if (character > 0xFFFF) {
        const char32_t offset = character - 0x10000;
        AppendHex16(result, 0xD800 + (offset >> 10));
        AppendHex16(result, 0xDC00 + (offset & 0x3FF));
    } else {
        AppendHex16(result, character);
    }
    return result;
}

int Thousandths(hb_position_t units, unsigned upem)
{
    return upem == 0 ? 0 : int(std::lround(double(units) * 1000.0 / upem));
}

qint16 BigEndian16(const char* data)
{
    return qint16((quint8(data[0]) << 8) | quint8(data[1]));
}

} // namespace

struct TPdfUnicodeFont::THarfBuzz
{
    ~THarfBuzz()
    {
        hb_font_destroy(Font);
        hb_face_destroy(Face);
    }
    hb_face_t* Face = nullptr;
    hb_font_t* Font = nullptr;
    unsigned Upem = 1000;
    unsigned MissingAdvance = 0; // the missing glyph's, in font units
};

TPdfUnicodeFont::TPdfUnicodeFont(const TFontFace& face)
    : m_face(face)
{
    hb_blob_t* blob = hb_blob_create_from_file_or_fail(QFile::encodeName(face.File).constData());
    if (!blob)
        return;
    const bool known = unsigned(face.Index) < hb_face_count(blob);
    if (known) {
        m_hb = std::make_unique<THarfBuzz>();
        m_hb->Face = hb_face_create(blob, unsigned(face.Index));
        m_hb->Font = hb_font_create(m_hb->Face);
        m_hb->Upem = hb_face_get_upem(m_hb->Face);
        hb_font_set_scale(m_hb->Font, int(m_hb->Upem), int(m_hb->Upem));
        m_hb->MissingAdvance = unsigned(hb_font_get_glyph_h_advance(m_hb->Font, 0));
    }
    hb_blob_destroy(blob);
    // A file that is not a font gives an empty face.
    if (m_hb && hb_face_get_glyph_count(m_hb->Face) == 0)
        m_hb.reset();
}

TPdfUnicodeFont::~TPdfUnicodeFont() = default;

bool TPdfUnicodeFont::Valid() const { return m_hb != nullptr; }

bool TPdfUnicodeFont::HasGlyph(char32_t character) const
{
    hb_codepoint_t glyph = 0;
    return m_hb && hb_font_get_nominal_glyph(m_hb->Font, character, &glyph) && glyph != 0;
}

quint16 TPdfUnicodeFont::Code(char32_t character)
{
    const auto found = m_codeOf.constFind(character);
    if (found != m_codeOf.cend())
        return *found;
    if (m_codes.size() >= std::size_t(MaxCodes))
        return 0;
    TCode code;
    code.Character = character;
    hb_codepoint_t glyph = 0;
    if (!hb_font_get_nominal_glyph(m_hb->Font, character, &glyph))
        glyph = 0;
    code.Glyph = glyph;
    code.Advance = Thousandths(hb_font_get_glyph_h_advance(m_hb->Font, glyph), m_hb->Upem);
    m_codes.push_back(code);
    const quint16 number = quint16(m_codes.size());
    m_codeOf.insert(character, number);
    return number;
}

int TPdfUnicodeFont::AppendCode(TByteBuffer& out, char32_t character)
{
    const quint16 code = Code(character);
    char hex[4];
    for (int i = 0; i < 4; ++i)
        hex[i] = HexDigits[(code >> (12 - 4 * i)) & 0xF];
    out.Append(hex, 4);
    return code == 0 ? Thousandths(hb_position_t(m_hb->MissingAdvance), m_hb->Upem) : m_codes[code - 1].Advance;
}

QByteArray TPdfUnicodeFont::SubsetTag() const
{
    // Six capitals that differ between subsets of one font, the same for the same characters.
    quint32 hash = 2166136261u;
    for (const TCode& code : m_codes) {
        hash = (hash ^ quint32(code.Character)) * 16777619u;
    }
    QByteArray tag;
    for (int i = 0; i < 6; ++i) {
        tag += char('A' + hash % 26);
        hash /= 26;
    }
    return tag;
}

QByteArray TPdfUnicodeFont::FontFile(std::vector<unsigned>& newGlyphs) const
{
    newGlyphs.assign(m_codes.size(), 0);
    hb_subset_input_t* input = hb_subset_input_create_or_fail();
    if (!input)
        return {};
    hb_set_t* glyphs = hb_subset_input_glyph_set(input);
    hb_set_t* unicodes = hb_subset_input_unicode_set(input);
    hb_set_add(glyphs, 0);
    for (const TCode& code : m_codes) {
        hb_set_add(glyphs, code.Glyph);
        if (code.Glyph != 0)
            hb_set_add(unicodes, code.Character);
    }
    // A PDF viewer sets the glyphs as they are: the layout tables would only add weight.
    hb_set_t* dropped = hb_subset_input_set(input, HB_SUBSET_SETS_DROP_TABLE_TAG);
    for (const hb_tag_t tag : {HB_TAG('G', 'S', 'U', 'B'), HB_TAG('G', 'P', 'O', 'S'), HB_TAG('G', 'D', 'E', 'F'),
                               HB_TAG('B', 'A', 'S', 'E'), HB_TAG('J', 'S', 'T', 'F'), HB_TAG('M', 'A', 'T', 'H'),
                               HB_TAG('k', 'e', 'r', 'n')})
        hb_set_add(dropped, tag);

    QByteArray result;
    hb_subset_plan_t* plan = hb_subset_plan_create_or_fail(m_hb->Face, input);
    if (plan) {
        const hb_map_t* oldToNew = hb_subset_plan_old_to_new_glyph_mapping(plan);
        for (std::size_t i = 0; i < m_codes.size(); ++i) {
            const hb_codepoint_t glyph = hb_map_get(oldToNew, m_codes[i].Glyph);
            newGlyphs[i] = glyph == HB_MAP_VALUE_INVALID ? 0 : glyph;
        }
        hb_face_t* subset = hb_subset_plan_execute_or_fail(plan);
        if (subset) {
            hb_blob_t* blob = hb_face_reference_blob(subset);
            unsigned length = 0;
            const char* data = hb_blob_get_data(blob, &length);
            result = QByteArray(data, qsizetype(length));
            hb_blob_destroy(blob);
            hb_face_destroy(subset);
        }
        hb_subset_plan_destroy(plan);
    }
    hb_subset_input_destroy(input);
    return result;
}

QByteArray TPdfUnicodeFont::ToUnicodeMap() const
{
    QByteArray map = "/CIDInit /ProcSet findresource begin\r\n"
                     "12 dict begin\r\n"
                     "begincmap\r\n"
                     "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\r\n"
                     "/CMapName /Adobe-Identity-UCS def\r\n"
                     "/CMapType 2 def\r\n"
                     "1 begincodespacerange\r\n"
                     "<0000> <FFFF>\r\n"
                     "endcodespacerange\r\n";
    // At most 100 entries to a block.
    for (std::size_t first = 0; first < m_codes.size(); first += 100) {
        const std::size_t last = std::min(m_codes.size(), first + 100);
        map += QByteArray::number(qulonglong(last - first)) + " beginbfchar\r\n";
        for (std::size_t i = first; i < last; ++i) {
            map += '<';
            AppendHex16(map, unsigned(i + 1));
            map += "> <" + Utf16Hex(m_codes[i].Character) + ">\r\n";
        }
        map += "endbfchar\r\n";
    }
    map += "endcmap\r\n"
           "CMapName currentdict /CMap defineresource pop\r\n"
           "end\r\n"
           "end";
    return map;
}

QList<QByteArray> TPdfUnicodeFont::Objects(const QList<QByteArray>& objects) const
{
    const QByteArray& cidFont = objects[1];
    const QByteArray& descriptor = objects[2];
    const QByteArray& fontFile = objects[3];
    const QByteArray& glyphMap = objects[4];
    const QByteArray& toUnicode = objects[5];

    QByteArray postScriptName;
    {
        char name[128] = {};
        unsigned size = sizeof name;
        hb_ot_name_get_utf8(m_hb->Face, HB_OT_NAME_ID_POSTSCRIPT_NAME, HB_LANGUAGE_INVALID, &size, name);
        for (const char c : QByteArrayView(name, qstrnlen(name, sizeof name))) {
            if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_')
                postScriptName += c;
        }
        if (postScriptName.isEmpty())
            postScriptName = "Font";
    }
    const QByteArray baseFont = "/" + SubsetTag() + "+" + postScriptName;
    const unsigned upem = m_hb->Upem;

    QList<QByteArray> result;
    result.append("<< /Type /Font \r\n/Subtype /Type0 \r\n/BaseFont " + baseFont + " \r\n/Encoding /Identity-H \r\n"
                  "/DescendantFonts [ " + cidFont + " 0 R ] \r\n/ToUnicode " + toUnicode + " 0 R >>");

    QByteArray widths = "/W [ 1 [";
    for (std::size_t i = 0; i < m_codes.size(); ++i) {
        widths += (i % 16 == 0 ? "\r\n" : " ") + QByteArray::number(m_codes[i].Advance);
    }
    widths += " ] ]";
    result.append("<< /Type /Font \r\n/Subtype /CIDFontType2 \r\n/BaseFont " + baseFont + " \r\n"
                  "/CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> \r\n"
                  "/FontDescriptor " + descriptor + " 0 R \r\n"
                  "/DW " + QByteArray::number(Thousandths(hb_position_t(m_hb->MissingAdvance), upem)) + " \r\n"
                  + (m_codes.empty() ? QByteArray() : widths + " \r\n") +
                  "/CIDToGIDMap " + glyphMap + " 0 R >>");

    qint16 box[4] = {0, 0, 0, 0};
    hb_blob_t* head = hb_face_reference_table(m_hb->Face, HB_TAG('h', 'e', 'a', 'd'));
    unsigned headLength = 0;
    const char* headData = hb_blob_get_data(head, &headLength);
    if (headLength >= 44) {
        for (int i = 0; i < 4; ++i)
            box[i] = BigEndian16(headData + 36 + 2 * i);
    }
    hb_blob_destroy(head);
    hb_position_t ascent = 0;
    hb_position_t descent = 0;
    hb_position_t capHeight = 0;
    hb_ot_metrics_get_position(m_hb->Font, HB_OT_METRICS_TAG_HORIZONTAL_ASCENDER, &ascent);
    hb_ot_metrics_get_position(m_hb->Font, HB_OT_METRICS_TAG_HORIZONTAL_DESCENDER, &descent);
    if (!hb_ot_metrics_get_position(m_hb->Font, HB_OT_METRICS_TAG_CAP_HEIGHT, &capHeight))
        capHeight = ascent;
    const float slant = hb_style_get_value(m_hb->Font, HB_STYLE_TAG_SLANT_ANGLE);
    const long italicAngle = std::lround(slant);
    // Symbolic: the glyphs are reached through the CIDToGIDMap, not through a standard encoding.
    const int flags = 4 | (italicAngle != 0 ? 64 : 0);
    QByteArray bbox;
    for (int i = 0; i < 4; ++i)
        bbox += (i > 0 ? " " : "") + QByteArray::number(Thousandths(box[i], upem));
    result.append("<< /Type /FontDescriptor \r\n/FontName " + baseFont + " \r\n/Flags " + QByteArray::number(flags)
                  + " \r\n/FontBBox [" + bbox + "] \r\n/ItalicAngle " + QByteArray::number(qlonglong(italicAngle))
                  + " \r\n/Ascent " + QByteArray::number(Thousandths(ascent, upem)) + " \r\n/Descent "
                  + QByteArray::number(Thousandths(descent, upem)) + " \r\n/CapHeight "
                  + QByteArray::number(Thousandths(capHeight, upem)) + " \r\n/StemV 80 \r\n/FontFile2 " + fontFile
                  + " 0 R >>");

    std::vector<unsigned> newGlyphs;
    QByteArray program = FontFile(newGlyphs);
    if (program.isEmpty() && m_face.Index == 0) {
        // The subsetter refused the font: embed all of it, its glyphs numbered as they are.
        hb_blob_t* whole = hb_face_reference_blob(m_hb->Face);
        unsigned length = 0;
        const char* data = hb_blob_get_data(whole, &length);
        program = QByteArray(data, qsizetype(length));
        hb_blob_destroy(whole);
        for (std::size_t i = 0; i < m_codes.size(); ++i)
            newGlyphs[i] = m_codes[i].Glyph;
    }
    const QByteArray programLength = QByteArray::number(program.size());
    result.append("<< /Length " + programLength + " /Length1 " + programLength + " >>\r\nstream\r\n" + program
                  + "\r\nendstream");

    QByteArray map(qsizetype(2 * (m_codes.size() + 1)), '\0');
    for (std::size_t i = 0; i < m_codes.size(); ++i) {
        map[qsizetype(2 * (i + 1))] = char(newGlyphs[i] >> 8);
        map[qsizetype(2 * (i + 1) + 1)] = char(newGlyphs[i] & 0xFF);
    }
    result.append("<< /Length " + QByteArray::number(map.size()) + " >>\r\nstream\r\n" + map + "\r\nendstream");

    const QByteArray cmap = ToUnicodeMap();
    result.append("<< /Length " + QByteArray::number(cmap.size()) + " >>\r\nstream\r\n" + cmap + "\r\nendstream");
    return result;
}
