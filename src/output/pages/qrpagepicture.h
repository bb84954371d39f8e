#pragma once

// Recorded pages as compact page pictures of our own.
//
// A page picture is a byte string: a 16-byte header ("TQPG", version, page
// size in pixels, resolution) followed by commands. Fonts, colours, pens,
// brushes and pictures are defined once per page in tables and the drawing
// commands refer to them by index; state changes (transform, clip, hints,
// background, opacity) are commands of their own. Numbers are variable-length
// integers, geometry is kept in 1/64 pixel, so a line of text costs tens of
// bytes.
//
// Pages are recorded through a QPainter on a TQRPageDevice, whose paint
// engine writes the commands straight into one buffer that is reused from
// page to page. They are replayed through ReplayPage onto any QPainter.

#include <QByteArray>
#include <QColor>
#include <QPaintDevice>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <QString>
#include <memory>

class QPainter;
class TQRPageEngine;

// A recorded page, checked when its bytes are taken.
class TQRPagePicture
{
public:
    static constexpr char Magic[4] = {'T', 'Q', 'P', 'G'};
    static constexpr quint8 Version = 1;
    static constexpr int HeaderSize = 16;

    TQRPagePicture() = default;
    // Takes the bytes of a recorded page and checks every command and table
    // reference. False, with error set and the picture null, when they are
    // not a page picture or are damaged or cut short.
    bool SetData(const QByteArray &bytes, QString *error = nullptr);
    // True until a page was taken successfully.
    bool IsNull() const { return m_data.isEmpty(); }
    // The page in pixels at Dpi().
    QSize Size() const { return m_size; }
    // Pixels per inch the page was recorded at.
    int Dpi() const { return m_dpi; }
    // The page's bytes.
    const QByteArray &Data() const { return m_data; }
    // Drawing commands on the page (table entries and state changes not counted).
    int DrawCount() const { return m_draws; }

private:
    QByteArray m_data;
    QSize m_size;
    int m_dpi = 96;
    int m_draws = 0;
};

// Draws page with painter, the page's pixel (0, 0) at the painter's current
// origin and one page pixel per unit of the painter's current transform.
// The painter's state is the same afterwards. False (with error) when the
// page cannot be drawn completely, which a checked picture never causes
// except for a picture whose image data does not decode. With blankPage the
// painter draws on a fresh white page: white fills where nothing was drawn yet
// are then left out, as they change nothing there.
bool ReplayPage(const TQRPagePicture &page, QPainter *painter, QString *error = nullptr,
                bool blankPage = false);

// Draws text as painter->drawText(baseline, text) does. On a TQRPageDevice
// the text is recorded without being laid out, which the replay does; so a
// recorded page looks the same and costs a fraction of the time to record.
void QRDrawText(QPainter *painter, const QPointF &baseline, const QString &text);
// Fills rect with colour as painter->fillRect(rect, colour) does; on a
// TQRPageDevice as one short command.
void QRFillRect(QPainter *painter, const QRect &rect, const QColor &colour);

// The paint device pages are recorded on. Begin a page, paint it with one
// QPainter, end the painter, take the bytes; then begin the next page.
// The metrics of a vector paint device of the given size in pixels at dpi pixels per inch
// (the page recorder's and the metafile writers').
int QRVectorDeviceMetric(QPaintDevice::PaintDeviceMetric metric, QSize size, int dpi);

class TQRPageDevice : public QPaintDevice
{
public:
    TQRPageDevice();
    ~TQRPageDevice() override;
    TQRPageDevice(const TQRPageDevice &) = delete;
    TQRPageDevice &operator=(const TQRPageDevice &) = delete;

    // Starts a new, empty page of size pixels at dpi pixels per inch. The
    // buffer keeps its capacity, so that later pages do not grow it again.
    void BeginPage(const QSize &size, int dpi);
    // The bytes recorded so far; valid until the next BeginPage.
    const char *Data() const;
    qsizetype DataSize() const;
    // A copy of the bytes recorded so far.
    QByteArray ToByteArray() const { return QByteArray(Data(), DataSize()); }

    QPaintEngine *paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    std::unique_ptr<TQRPageEngine> m_engine;
    QSize m_size;
    int m_dpi = 96;
};
