#pragma once
#include <QByteArray>
#include <QString>

// The single-byte code pages of the export formats.
// Code page 1252; characters it lacks (including each character outside the BMP) become "?".
QByteArray ToCodePage1252(const QString& text);
QString FromCodePage1252(const QByteArray& bytes);
// The code-page-1252 byte of the character, or -1 when the code page lacks it.
int CodePage1252Byte(char32_t character);
// Whether every character of the text has a code-page-1252 byte (the empty text does).
bool FitsCodePage1252(const QString& text);
// The code-page-437 byte of a character that code page 1252 holds as well, or -1. Characters only
// 437 has (its Greek letters, box drawing) are left out, so that a text is never half one script.
int CodePage437Byte(char32_t character);
// Whether every character of the text has a byte in both code pages (the empty text does).
bool FitsCodePage437(const QString& text);

// The text with every character the code page lacks written as the nearest letters it holds: other
// scripts in Latin letters as they sound, then accents the code page lacks dropped ("Wałęsa" gives
// "Walesa", "Дмитриев" "Dmitriev"). A character without such letters is left out, never made "?".
QString NearestLetters1252(const QString& text);
QString NearestLetters437(const QString& text);

// Code-page-1252 bytes re-encoded in the DOS code page 437; ASCII is unchanged, characters 437
// lacks become "?".
QByteArray CodePage1252To437(const QByteArray& bytes);
