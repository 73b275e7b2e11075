#pragma once
// Small text helpers of the suite: folder normalisation, tolerant integer conversion, file-safe
// names, the workstation code and the key=value splitter of the configuration store.
#include <QString>

// Trimmed folder ending in exactly one "/"; "\" is accepted as a separator and written as "/".
// Empty text gives "/".
QString NormalizeFolder(const QString& folder);

// Optional leading blanks, optional sign, decimal digits or "$" and hexadecimal digits; anything
// else, or a value beyond 32 bits, gives 0.
qint32 StrToIntOrZero(const QString& text);

// Trailing blanks removed, then blank, "/", ":" and "\" each replaced by "_".
QString FileSafeName(const QString& text);

// The workstation fingerprint as 8 upper-case hexadecimal digits, least significant byte first.
QString WorkstationCode();
// The same for the fingerprint of earlier releases (see WorkstationFingerprint.h).
QString LegacyWorkstationCode();

// Trims `text`, returns the trimmed part before the first `separator` and leaves the trimmed part
// after it in `text`. Without a separator the whole text is returned and `text` becomes empty.
QString SplitFirst(QString& text, QChar separator);

// Control characters written as escapes ("\n", "\t", "\r", "\x1B"), so that text typed by someone
// prints on one line and shows what was typed.
QString EscapeControlCharacters(const QString& text);

// Trims blanks and control characters from both ends, or from the right only.
QString TrimBlanks(const QString& text);
QString TrimBlanksRight(const QString& text);
