#pragma once
// The engine keeps every position in tenths of a millimetre; layouts are designed in 96-dpi pixels.
constexpr double TenthsPerInch = 254.0;
constexpr double DesignDpi = 96.0;

constexpr double PixelsToTenths(double pixels) { return pixels * TenthsPerInch / DesignDpi; }
constexpr double TenthsToPixels(double tenths) { return tenths * DesignDpi / TenthsPerInch; }
