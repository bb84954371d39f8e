#pragma once

// A decoded JPEG picture carries its file's bytes, so that page pictures and
// the PDF export take the JPEG itself rather than the pixels decoded from it.

#include <QByteArray>
#include <QImage>

// image with the JPEG file it was decoded from attached.
QImage QRWithJpegBytes(QImage image, const QByteArray &jpeg);
// The JPEG file a picture was decoded from; empty when it was not one.
QByteArray QRJpegBytes(const QImage &image);
