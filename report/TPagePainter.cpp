#include "TPagePainter.h"

#include "ReportUnits.h"
#include "TReportDocument.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <vector>

namespace {

QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

// Text was measured at 96 dpi; a font of size p points on a device of d dpi is p * d / 72 device
// pixels tall, so the point size is chosen to make it p * 96 / 72 design pixels after scaling.
QFont DeviceFont(const QPainter& painter, const TFont& font, double scale)
{
    const double dpi = painter.device() ? painter.device()->logicalDpiY() : DesignDpi;
    const double pixelsPerDesignPixel = scale * TenthsPerInch / DesignDpi;
    QFont qfont = font.ToQFont();
    qfont.setPointSizeF(std::max(0.5, font.Size * pixelsPerDesignPixel * DesignDpi / dpi));
    return qfont;
}

QRectF ElementRect(const TPageElement& element, QPointF origin, double scale)
{
    return QRectF(origin.x() + element.Left * scale, origin.y() + element.Top * scale, element.Width * scale,
                  element.Height * scale);
}

} // namespace

void TPagePainter::Paint(QPainter& painter, const TReportDocument& document, const TReportPage& page,
                         QPointF origin, double scale)
{
    painter.save();
    std::vector<QFont> fonts;
    fonts.reserve(size_t(document.FontCount()));
    for (int i = 0; i < document.FontCount(); ++i)
        fonts.push_back(DeviceFont(painter, document.Font(i), scale));
    int currentFont = -1;
    for (const TPageElement& element : page.Elements()) {
        const QRectF rect = ElementRect(element, origin, scale);
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

QRectF TPagePainter::TextSpanRect(const QPainter& painter, const TReportDocument& document, const TReportPage& page,
                                  const TPageElement& element, int start, int length, QPointF origin, double scale)
{
    const QRectF rect = ElementRect(element, origin, scale);
    if (element.Kind != pkText || element.Font >= document.FontCount())
        return rect;
    const QFontMetricsF metrics(DeviceFont(painter, document.Font(element.Font), scale), painter.device());
    const QString text = page.Text(element);
    const double width = metrics.horizontalAdvance(text);
    const double left = element.Alignment == taRightJustify ? rect.right() - width
        : element.Alignment == taCenter                     ? rect.center().x() - width / 2.0
                                                            : rect.left();
    return QRectF(left + metrics.horizontalAdvance(text.left(start)), rect.top(),
                  metrics.horizontalAdvance(text.mid(start, length)), metrics.height());
}
