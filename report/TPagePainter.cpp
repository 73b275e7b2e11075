#include "TPagePainter.h"

#include "ReportUnits.h"
#include "TReportDocument.h"

#include <QPaintDevice>
#include <QPainter>
#include <vector>

namespace {

QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

} // namespace

void TPagePainter::Paint(QPainter& painter, const TReportDocument& document, const TReportPage& page,
                         QPointF origin, double scale)
{
    painter.save();
    // Text was measured at 96 dpi; a font of size p points on a device of d dpi is p * d / 72 device
    // pixels tall, so the point size is chosen to make it p * 96 / 72 design pixels after scaling.
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : DesignDpi;
    const double pixelsPerDesignPixel = scale * TenthsPerInch / DesignDpi;
    std::vector<QFont> fonts;
    fonts.reserve(size_t(document.FontCount()));
    for (int i = 0; i < document.FontCount(); ++i) {
        const TFont& font = document.Font(i);
        QFont qfont = font.ToQFont();
        qfont.setPointSizeF(std::max(0.5, font.Size * pixelsPerDesignPixel * DesignDpi / dpi));
        fonts.push_back(qfont);
    }
    int currentFont = -1;
    for (const TPageElement& element : page.Elements()) {
        const QRectF rect(origin.x() + element.Left * scale, origin.y() + element.Top * scale,
                          element.Width * scale, element.Height * scale);
        if (element.Kind == pkLine) {
            QPen pen(Qt::black);
            pen.setWidthF(std::max(1.0, element.Height * scale));
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            const double y = rect.top() + pen.widthF() / 2.0;
            painter.drawLine(QPointF(rect.left(), y), QPointF(rect.right(), y));
            continue;
        }
        if (element.Font < fonts.size() && element.Font != currentFont) {
            painter.setFont(fonts[element.Font]);
            currentFont = element.Font;
        }
        if (ColorToRGB(element.Background) != clWhite)
            painter.fillRect(rect, ToQColor(element.Background));
        const TColor textColor = element.Font < fonts.size() ? document.Font(element.Font).Color : clBlack;
        painter.setPen(ToQColor(textColor));
        int flags = Qt::AlignTop | Qt::TextSingleLine | Qt::TextDontClip | Qt::TextExpandTabs;
        flags |= element.Alignment == taRightJustify ? Qt::AlignRight
            : element.Alignment == taCenter          ? Qt::AlignHCenter
                                                     : Qt::AlignLeft;
        painter.drawText(rect, flags, page.Text(element));
    }
    painter.restore();
}
