#include "TPreviewLayout.h"

#include "ReportUnits.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double ZoomSteps[] = {0.1, 0.25, 0.5, 0.75, 1.0, 1.25, 1.5, 2.0, 3.0, 4.0, 6.0, 8.0};
// Zooms this close to a step count as being on it, so a fitted zoom steps to its neighbour.
constexpr double StepTolerance = 1e-6;

} // namespace

double TPreviewLayout::Scale() const
{
    return Zoom * DesignDpi / TenthsPerInch;
}

QSizeF TPreviewLayout::PageSize() const
{
    return QSizeF(PaperWidth * Scale(), PaperHeight * Scale());
}

QSize TPreviewLayout::CanvasSize() const
{
    const QSizeF page = PageSize();
    // A fitted page is a whole number of pixels give or take the rounding of the scale; rounding that
    // error up would make the fitted page one pixel too large, and scroll.
    const auto pixels = [](double length) { return int(std::ceil(length - 1e-6)); };
    return QSize(pixels(page.width()) + 2 * Gap, pixels(page.height()) + 2 * Gap);
}

QPointF TPreviewLayout::PageToScreen(QPointF paper) const
{
    return QPointF(Gap + paper.x() * Scale(), Gap + paper.y() * Scale());
}

QPointF TPreviewLayout::ScreenToPage(QPointF screen) const
{
    return QPointF((screen.x() - Gap) / Scale(), (screen.y() - Gap) / Scale());
}

void TPreviewLayout::SetZoom(double zoom)
{
    Zoom = std::clamp(zoom, MinZoom, MaxZoom);
    Mode = zmCustom;
}

void TPreviewLayout::ZoomIn()
{
    for (double step : ZoomSteps)
        if (step > Zoom + StepTolerance) {
            SetZoom(step);
            return;
        }
    SetZoom(MaxZoom);
}

void TPreviewLayout::ZoomOut()
{
    for (auto it = std::rbegin(ZoomSteps); it != std::rend(ZoomSteps); ++it)
        if (*it < Zoom - StepTolerance) {
            SetZoom(*it);
            return;
        }
    SetZoom(MinZoom);
}

void TPreviewLayout::FitPage(QSize viewport)
{
    const double base = DesignDpi / TenthsPerInch;
    const double zx = (viewport.width() - 2.0 * Gap) / (PaperWidth * base);
    const double zy = (viewport.height() - 2.0 * Gap) / (PaperHeight * base);
    Zoom = std::clamp(std::min(zx, zy), MinZoom, MaxZoom);
    Mode = zmFitPage;
}

void TPreviewLayout::FitWidth(QSize viewport)
{
    const double base = DesignDpi / TenthsPerInch;
    Zoom = std::clamp((viewport.width() - 2.0 * Gap) / (PaperWidth * base), MinZoom, MaxZoom);
    Mode = zmFitWidth;
}

void TPreviewLayout::Refit(QSize viewport)
{
    if (Mode == zmFitPage)
        FitPage(viewport);
    else if (Mode == zmFitWidth)
        FitWidth(viewport);
}

bool TPreviewLayout::GoToPage(int index)
{
    if (PageCount <= 0)
        return false;
    index = std::clamp(index, 0, PageCount - 1);
    if (index == PageIndex)
        return false;
    PageIndex = index;
    return true;
}

void TPreviewLayout::SetPageCount(int count)
{
    PageCount = std::max(0, count);
    PageIndex = PageCount == 0 ? 0 : std::clamp(PageIndex, 0, PageCount - 1);
}
