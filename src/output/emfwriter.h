#pragma once

// A paint device that writes an Enhanced Metafile: texts as EXTTEXTOUTW with
// their font, colour and position; lines, rectangles, polygons and paths as
// outlines with pen and brush. Pictures are not written yet.

#include <QByteArray>
#include <QPaintDevice>
#include <QSize>
#include <memory>

class TQREmfEngine;

class TQREmfDevice : public QPaintDevice
{
public:
    // A page of size pixels at dpi pixels per inch.
    TQREmfDevice(const QSize &size, int dpi);
    ~TQREmfDevice() override;
    // The finished file's bytes; valid after the painter has ended.
    QByteArray Data() const;

    QPaintEngine *paintEngine() const override;

protected:
    int metric(PaintDeviceMetric metric) const override;

private:
    QSize m_size;
    int m_dpi;
    std::unique_ptr<TQREmfEngine> m_engine;
};
