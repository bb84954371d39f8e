#include "gentest.h"

#include <QPainter>

QImage PageImage(TQRPrinter *printer, int page)
{
    TQRPagePicture picture;
    if (!printer || !printer->GetPage(page, &picture))
        return QImage();
    const int w = printer->XSize(printer->PageWidth());
    const int h = printer->YSize(printer->PageHeight());
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    const bool drawn = ReplayPage(picture, &p);
    p.end();
    if (!drawn)
        return QImage();
    return image;
}

bool SavePagePng(TQRPrinter *printer, int page, const QString &fileName)
{
    const QImage image = PageImage(printer, page);
    return !image.isNull() && image.save(fileName, "PNG");
}
