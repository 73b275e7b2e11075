#pragma once
#include <QPointF>

class QPainter;
class TReportDocument;
class TReportPage;

// Paints one laid-out page; shared by the preview and the printer so both show the same layout.
// The caller fills the paper's background.
class TPagePainter
{
public:
    // origin: where the paper's top-left corner goes, in device pixels; scale: device pixels per
    // tenth of a millimetre.
    static void Paint(QPainter& painter, const TReportDocument& document, const TReportPage& page,
                      QPointF origin, double scale);
};
