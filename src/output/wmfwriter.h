#pragma once

// The placeable Windows Metafile writer: the Aldus placeable header, then
// 16-bit records in logical units of 1/1440 inch or finer where the page
// allows it (page pixels times a whole factor, so coordinates stay within 16
// bits). Texts as EXTTEXTOUT in a Windows code page that holds them (the
// font's character set names it) with font, colour, position and
// escapement; shapes as POLYGON and POLYLINE; pictures as STRETCHDIB.

#include "metafilewriter.h"

class TQRWmfEngine : public TQRMetafileEngine
{
public:
    TQRWmfEngine(QSize size, int dpi);
    // Logical units per page pixel.
    int Factor() const { return m_factor; }
    // The text in the Windows ANSI code page (1252); other characters become "?".
    static QByteArray AnsiText(const QString &text);

protected:
    void Begin() override;
    QByteArray End() override;
    void Shape(const QPolygon &points, bool closed, const QPen *pen, const QBrush *brush) override;
    void Text(const TQRMetafileText &text) override;
    void Picture(const QRect &target, const QImage &image) override;

private:
    void record(quint16 function, const QByteArray &params);
    // WMF objects take the lowest free slot of the object table.
    quint16 createObject(quint16 function, const QByteArray &params);
    void deleteObject(quint16 slot);
    static qint16 clamp(qint64 v);

    int m_factor;
    QByteArray m_body;
    quint32 m_maxRecord = 0;
    QList<bool> m_slots;
};
