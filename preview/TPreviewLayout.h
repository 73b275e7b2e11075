#pragma once
#include <QPointF>
#include <QSize>
#include <QSizeF>

enum TZoomMode { zmCustom, zmFitPage, zmFitWidth };

// The preview's geometry and paging without a widget: which page is shown, the zoom, and the
// mapping between the paper (tenths of a millimetre) and the canvas (screen pixels). Zoom 1 shows
// the paper at 96 dpi; the page sits on the canvas with a margin of Gap pixels.
struct TPreviewLayout
{
    static constexpr int Gap = 10;
    static constexpr double MinZoom = 0.1;
    static constexpr double MaxZoom = 8.0;

    double PaperWidth = 2159; // tenths of a millimetre
    double PaperHeight = 2794;
    double Zoom = 1.0;
    TZoomMode Mode = zmFitPage;
    int PageCount = 0;
    int PageIndex = 0; // 0-based

    double Scale() const; // screen pixels per tenth of a millimetre
    QSizeF PageSize() const; // on screen
    QSize CanvasSize() const;
    QPointF PageToScreen(QPointF paper) const;
    QPointF ScreenToPage(QPointF screen) const;

    // Zoom steps 10 % … 800 %; zooming leaves the fit modes.
    void ZoomIn();
    void ZoomOut();
    void SetZoom(double zoom);
    // Largest zoom at which the whole page (or its width) fits the viewport with the gaps.
    void FitPage(QSize viewport);
    void FitWidth(QSize viewport);
    // Re-applies the fit mode after the viewport changed.
    void Refit(QSize viewport);

    // Paging; each returns whether the shown page changed.
    bool GoToPage(int index);
    bool First() { return GoToPage(0); }
    bool Prior() { return GoToPage(PageIndex - 1); }
    bool Next() { return GoToPage(PageIndex + 1); }
    bool Last() { return GoToPage(PageCount - 1); }
    void SetPageCount(int count);
};
