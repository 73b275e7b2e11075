#include "FormFont.h"

QFont FormFont()
{
    QFont font(QStringLiteral("Liberation Sans"));
    font.setStyleHint(QFont::SansSerif);
    // 8 pt at the 96 dpi the forms were laid out for; a pixel size keeps it independent of the screen.
    font.setPixelSize(11);
    return font;
}
