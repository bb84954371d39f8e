#include "params/kindimages.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace
{

QPixmap blank()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A white field with a dark border and a short text inside, the look of an input field.
QIcon field(const QString &text, bool dropDown)
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setPen(QColor(64, 64, 64));
    p.setBrush(Qt::white);
    p.drawRect(0, 3, 15, 9);
    if (dropDown) {
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(10, 3, 5, 9);
        p.setBrush(Qt::black);
        p.drawPolygon(QPolygon({QPoint(11, 6), QPoint(14, 6), QPoint(12, 9)}));
    }
    QFont font = p.font();
    font.setPixelSize(7);
    p.setFont(font);
    p.drawText(QRect(1, 3, dropDown ? 9 : 14, 9), Qt::AlignCenter, text);
    return QIcon(pixmap);
}

} // namespace

QIcon ArrowImage()
{
    QPixmap pixmap = blank();
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(4, 1), QPoint(4, 13), QPoint(7, 10), QPoint(10, 15), QPoint(12, 14),
                            QPoint(9, 9), QPoint(13, 9)}));
    return QIcon(pixmap);
}

QIcon KindImage(TControlKind kind)
{
    switch (kind) {
    case TControlKind::Edit:
        return field(QStringLiteral("ab"), false);
    case TControlKind::IntEdit:
        return field(QStringLiteral("12"), true);
    case TControlKind::FloatEdit:
        return field(QStringLiteral("1.5"), false);
    case TControlKind::DateEdit:
        return field(QStringLiteral("31"), true);
    case TControlKind::List:
        return field(QStringLiteral("≡"), true);
    case TControlKind::Table: {
        QPixmap pixmap = blank();
        QPainter p(&pixmap);
        p.setPen(QColor(64, 64, 64));
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 13, 13);
        p.drawLine(1, 5, 14, 5);
        p.drawLine(1, 9, 14, 9);
        p.drawLine(6, 1, 6, 14);
        return QIcon(pixmap);
    }
    case TControlKind::Check: {
        QPixmap pixmap = blank();
        QPainter p(&pixmap);
        p.setPen(QColor(64, 64, 64));
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 11, 11);
        p.setPen(QPen(Qt::black, 2));
        p.drawPolyline(QPolygon({QPoint(4, 7), QPoint(7, 10), QPoint(11, 4)}));
        return QIcon(pixmap);
    }
    }
    return QIcon();
}
