#include "units.h"

#include "localesettings.h"

#include <cmath>

double ScreenPixelsPerInch()
{
    // Read once: text is measured and placed many times per record.
    static const double ppi = [] {
        bool ok = false;
        const double v = qEnvironmentVariable("TABULON_PIXELS_PER_INCH").toDouble(&ok);
        return ok && v >= 24 && v <= 1200 ? v : 96.0;
    }();
    return ppi;
}

bool UsesUSMeasurement()
{
    return LocaleSettings().MeasurementSystem == QLatin1Char('1');
}

TQRUnit DefaultUnit()
{
    return UsesUSMeasurement() ? QRUnits::Inches : QRUnits::MM;
}

namespace
{
// A missing or zero font size would make character units infinite.
double usableFontSize(double s)
{
    s = std::fabs(s);
    return s > 0 && std::isfinite(s) ? s : 10;
}

double usable(double v, double fallback)
{
    return v > 0 && std::isfinite(v) ? v : fallback;
}
} // namespace

double CharWidth(double fontSize)
{
    return 80 / usableFontSize(fontSize) / 2.54;
}

double CharHeight(double fontSize)
{
    return 145.3 / usableFontSize(fontSize) / 2.54;
}

double NativeToPixels(double native, double resolution, double zoom)
{
    return native / (254 / usable(resolution, 96)) * usable(zoom, 100) / 100;
}

double PixelsToNative(double pixels, double resolution, double zoom)
{
    return pixels * (254 / usable(resolution, 96)) / usable(zoom, 100) * 100;
}

double NativeToUnit(double x, TQRUnit unit, bool horizontal, const TUnitContext &c)
{
    switch (unit) {
    case QRUnits::MM:
        return x / 10;
    case QRUnits::Inches:
        return x / 254;
    case QRUnits::Pixels:
        return NativeToPixels(x, c.Resolution, c.Zoom);
    case QRUnits::Characters:
        return horizontal ? x / CharWidth(c.FontSize) / 10 : x / CharHeight(c.FontSize) / 10;
    case QRUnits::Native:
        break;
    }
    return x;
}

double UnitToNative(double v, TQRUnit unit, bool horizontal, const TUnitContext &c)
{
    switch (unit) {
    case QRUnits::MM:
        return v * 10;
    case QRUnits::Inches:
        return v * 254;
    case QRUnits::Pixels:
        return PixelsToNative(v, c.Resolution, c.Zoom);
    case QRUnits::Characters:
        return horizontal ? v * CharWidth(c.FontSize) * 10 : v * CharHeight(c.FontSize) * 10;
    case QRUnits::Native:
        break;
    }
    return v;
}
