#pragma once
#include <QPointF>
#include <QRectF>

class QPainter;
class TReportDocument;
class TReportPage;
struct TPageElement;

// Paints one laid-out page; shared by the preview and the printer so both show the same layout.
// The caller fills the paper's background.
class TPagePainter
{
public:
    // origin: where the paper's top-left corner goes, in device pixels; scale: device pixels per
    // tenth of a millimetre.
    static void Paint(QPainter& painter, const TReportDocument& document, const TReportPage& page,
                      QPointF origin, double scale);

    // Where characters [start, start + length) of a text element stand when Paint draws the page
    // with the same painter, origin and scale (the preview highlights found text there).
    static QRectF TextSpanRect(const QPainter& painter, const TReportDocument& document, const TReportPage& page,
                               const TPageElement& element, int start, int length, QPointF origin, double scale);
};
