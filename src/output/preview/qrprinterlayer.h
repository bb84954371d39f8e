#pragma once

// The printer layer: what a printer offers (ReadSettings) and how a
// recorder's settings become a printer configuration (ApplyToPrinter),
// over QPrinter, QPrinterInfo and QPageSize; and the recorder's printer
// device built on it.

#include "common/papersize.h"
#include "output/pages/qrprinter.h"

#include <QList>
#include <QPainter>
#include <QPrinter>
#include <QString>
#include <memory>

// The printer index of a name in the list of installed printers; -1 when
// it is not installed.
int QRPrinterIndexOf(const QString &printerName);
// The installed printer of an index; -1 or an index out of range gives the
// default printer (empty when there is none).
QString QRPrinterName(int printerIndex);

// Platform paper codes: TQRPaperSize ordinals 0 .. 26 unchanged, Custom 256.
int QRPaperCode(TQRPaperSize size);
// The paper size of a platform code; Default for codes outside the table.
TQRPaperSize QRPaperSizeOfCode(int code);
// Platform bin codes of TQRBin ordinals (First 1 ... Last 14).
int QRBinCode(int bin);
// The TQRBin of a platform bin code: the first bin with that code.
int QRBinOfCode(int code);
// The QPrinter paper source of a platform bin code.
QPrinter::PaperSource QRPaperSourceOfBinCode(int code);
int QRBinCodeOfPaperSource(QPrinter::PaperSource source);

class TQRPrinterSettings
{
public:
    // Reads the printer of an index (-1: the default printer). False when
    // no printer is installed; the settings keep their defaults then.
    bool ReadSettings(int printerIndex);
    // Transfers a recorder's settings to printer (which must be on this
    // printer): paper code or custom size, duplex, copies, bin, orientation.
    void ApplyToPrinter(const TQRPrinter &recorder, QPrinter &printer) const;

    // What ReadSettings found.
    QString Device() const { return m_device; }
    QString Driver() const { return m_driver; }
    QString Port() const { return m_port; }
    int PrinterIndex() const { return m_printerIndex; }
    TQRPaperSize PaperSize() const { return m_paperSize; }
    // Physical paper in native units (0.1 mm), portrait.
    double PaperWidth() const { return m_paperWidth; }
    double PaperLength() const { return m_paperLength; }
    TPrinterOrientation Orientation() const { return m_orientation; }
    int Copies() const { return m_copies; }
    bool Duplex() const { return m_duplex; }
    int OutputBin() const { return m_outputBin; }
    int XPixelsPerInch() const { return m_xppi; }
    int YPixelsPerInch() const { return m_yppi; }
    // Unprintable offsets in native units.
    double LeftOffset() const { return m_leftOffset; }
    double TopOffset() const { return m_topOffset; }
    // Custom always counts as supported.
    bool Supports(TQRPaperSize size) const { return size == QRPaper::Custom || m_supported.contains(size); }

private:
    QString m_device, m_driver, m_port;
    int m_printerIndex = -1;
    TQRPaperSize m_paperSize = QRPaper::A4;
    double m_paperWidth = 2100, m_paperLength = 2970;
    TPrinterOrientation m_orientation = QRPaper::poPortrait;
    int m_copies = 1;
    bool m_duplex = false;
    int m_outputBin = 0;
    int m_xppi = 300, m_yppi = 300;
    double m_leftOffset = 0, m_topOffset = 0;
    QList<TQRPaperSize> m_supported;
};

// The recorder's printer: a QPrinter configured from the recorder's
// settings when a document starts.
class TQRQtPrintDevice : public TQRPrintDevice
{
public:
    TQRQtPrintDevice();
    ~TQRQtPrintDevice() override;

    bool Available() const override;
    double PixelsPerInchX() const override;
    double PixelsPerInchY() const override;
    double LeftOffset() const override;
    double TopOffset() const override;
    void ApplySettings(const TQRPrinter &recorder) override;
    QPainter *BeginDocument(const QString &title) override;
    void NewPhysicalPage() override;
    void EndDocument() override;
    void AbortDocument() override;

    // The printer and what was read from it.
    QPrinter &Printer() { return *m_printer; }
    const TQRPrinterSettings &Settings() const { return m_settings; }

private:
    std::unique_ptr<QPrinter> m_printer;
    QPainter m_painter;
    TQRPrinterSettings m_settings;
    bool m_read = false;
};
