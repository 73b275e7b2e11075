#pragma once
#include <QByteArray>
#include <QStringView>

// Appends the text to the buffer as UTF-8 (as QString::toUtf8 encodes it) and returns the number of
// bytes added. Report text is nearly all ASCII, which is copied straight into the buffer in one pass
// instead of through a temporary array: the writers do this for every field of every row.
qsizetype AppendUtf8(QByteArray& buffer, QStringView text);
