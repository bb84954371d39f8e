#pragma once

// Report geometry is held in native units of 0.1 mm; what a user sees is one
// of the display units below, converted on the fly.

#include <QObject>

namespace QRUnits
{
Q_NAMESPACE

enum TQRUnit { MM, Inches, Pixels, Characters, Native };
Q_ENUM_NS(TQRUnit)

} // namespace QRUnits

using TQRUnit = QRUnits::TQRUnit;

// Reference resolution of text measurement, recorded pages and design
// layout, so that output never depends on the monitor: 96, or the value of
// TABULON_PIXELS_PER_INCH when that is a number between 24 and 1200 (read
// at the first call).
double ScreenPixelsPerInch();

// True when the locale asks for U.S. measurement; then new sizes are in
// inches and new pages are Letter with half-inch margins.
bool UsesUSMeasurement();
TQRUnit DefaultUnit();

// Native units per character cell for the report font size s (points).
double CharWidth(double fontSize);
double CharHeight(double fontSize);

// The conversion parameters of one object that holds sizes.
struct TUnitContext {
    double Resolution = 96; // pixels per inch, taken when the object was created
    double Zoom = 100;      // percent
    double FontSize = 10;   // report font size in points, for Characters
};

// A native value in unit; horizontal matters only for Characters.
double NativeToUnit(double native, TQRUnit unit, bool horizontal, const TUnitContext &context);
double UnitToNative(double value, TQRUnit unit, bool horizontal, const TUnitContext &context);

// Native units and pixels at a resolution and zoom.
double NativeToPixels(double native, double resolution, double zoom);
double PixelsToNative(double pixels, double resolution, double zoom);
