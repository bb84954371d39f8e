#pragma once

// The Enhanced Metafile writer: texts as EXTTEXTOUTW with their font, colour,
// position and escapement; lines, rectangles, polygons and paths as outlines
// with pen and brush; pictures as STRETCHDIBITS.

#include "metafilewriter.h"

class TQREmfEngine : public TQRMetafileEngine
{
public:
    TQREmfEngine(QSize size, int dpi) : TQRMetafileEngine(size, dpi) {}

protected:
    void Begin() override;
    QByteArray End() override;
    void Shape(const QPolygon &points, bool closed, const QPen *pen, const QBrush *brush) override;
    void Text(const TQRMetafileText &text) override;
    void Picture(const QRect &target, const QImage &image) override;

private:
    void record(quint32 type, const QList<quint32> &words, const QByteArray &tail = {});

    QByteArray m_body;
    quint32 m_records = 0;
    quint32 m_handles = 0;
};
