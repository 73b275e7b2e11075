#include "TVellColoring.h"

#include <QtDebug>

TVellColoring::TVellColoring()
    : m_colors{QColor(0x80, 0x00, 0x80), // purple
               QColor(0x00, 0x00, 0xFF), // blue
               QColor(0x00, 0xFF, 0xFF), // aqua
               QColor(0x00, 0x80, 0x00), // green
               QColor(0x00, 0xFF, 0x00), // lime
               QColor(0x80, 0x80, 0x00), // olive
               QColor(0xFF, 0xFF, 0x00), // yellow
               QColor(0x80, 0x00, 0x00), // maroon
               QColor(0xFF, 0x00, 0x00)} // red
{
}

QColor TVellColoring::ColorSet(int index) const
{
    if (index < 1 || index > Count)
        return QColor(0, 0, 0);
    return m_colors[index - 1];
}

void TVellColoring::SetColorSet(int index, const QColor& color)
{
    if (index < 1 || index > Count) {
        qWarning("TVellColoring: colour set %d does not exist", index);
        return;
    }
    m_colors[index - 1] = color;
}

QColor TVellColoring::ColorSetColor(int index) const
{
    if (index > Count || index < 0)
        qWarning("TVellColoring: colour set index %d is not valid", index);
    return ColorSet(index);
}
