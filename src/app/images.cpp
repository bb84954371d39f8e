#include "app/images.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace
{
const QColor Outline(0x40, 0x40, 0x48);

QPen pen(const QColor &color, qreal width = 1.0)
{
    QPen p(color, width);
    p.setJoinStyle(Qt::RoundJoin);
    p.setCapStyle(Qt::RoundCap);
    return p;
}

void drawPage(QPainter &p, const QRectF &r, bool lines)
{
    QPainterPath page;
    const qreal fold = 3.5;
    page.moveTo(r.left(), r.top());
    page.lineTo(r.right() - fold, r.top());
    page.lineTo(r.right(), r.top() + fold);
    page.lineTo(r.right(), r.bottom());
    page.lineTo(r.left(), r.bottom());
    page.closeSubpath();
    p.setPen(pen(Outline));
    p.setBrush(QColor(0xFF, 0xFF, 0xFF));
    p.drawPath(page);
    p.setBrush(QColor(0xD8, 0xDC, 0xE4));
    QPainterPath corner;
    corner.moveTo(r.right() - fold, r.top());
    corner.lineTo(r.right() - fold, r.top() + fold);
    corner.lineTo(r.right(), r.top() + fold);
    corner.closeSubpath();
    p.drawPath(corner);
    if (lines) {
        p.setPen(pen(QColor(0x5A, 0x7F, 0xB8), 1.0));
        for (qreal y = r.top() + 4.5; y < r.bottom() - 1.5; y += 2.5)
            p.drawLine(QPointF(r.left() + 2, y), QPointF(r.right() - 2, y));
    }
}

void drawFolder(QPainter &p, bool open)
{
    p.setPen(pen(QColor(0x8A, 0x66, 0x1E)));
    p.setBrush(QColor(0xE8, 0xB8, 0x4A));
    QPainterPath back;
    back.moveTo(1.5, 3.5);
    back.lineTo(6, 3.5);
    back.lineTo(7.5, 5);
    back.lineTo(14.5, 5);
    back.lineTo(14.5, 13.5);
    back.lineTo(1.5, 13.5);
    back.closeSubpath();
    p.drawPath(back);
    if (open) {
        p.setBrush(QColor(0xF8, 0xD8, 0x78));
        QPainterPath front;
        front.moveTo(3.5, 7.5);
        front.lineTo(15.5, 7.5);
        front.lineTo(13.5, 13.5);
        front.lineTo(1.5, 13.5);
        front.closeSubpath();
        p.drawPath(front);
    } else {
        p.setBrush(QColor(0xF4, 0xCC, 0x60));
        p.drawRect(QRectF(1.5, 6.5, 13, 7));
    }
}

void drawPencil(QPainter &p, const QPointF &tip, qreal length)
{
    p.save();
    p.translate(tip);
    p.rotate(-45);
    p.setPen(pen(Outline));
    p.setBrush(QColor(0xF0, 0xC0, 0x30));
    p.drawRect(QRectF(2.5, -1.5, length - 4.5, 3));
    p.setBrush(QColor(0xE0, 0x70, 0x70));
    p.drawRect(QRectF(length - 2, -1.5, 2, 3));
    p.setBrush(QColor(0xF5, 0xDE, 0xB3));
    QPainterPath cone;
    cone.moveTo(0, 0);
    cone.lineTo(2.5, -1.5);
    cone.lineTo(2.5, 1.5);
    cone.closeSubpath();
    p.drawPath(cone);
    p.restore();
}

void drawBadge(QPainter &p, const QColor &fill, const QString &glyph)
{
    p.setPen(pen(fill.darker(150)));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setPen(Qt::white);
    QFont font(QStringLiteral("Liberation Sans"));
    font.setBold(true);
    font.setPixelSize(11);
    p.setFont(font);
    p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, glyph);
}

// Draws one image in a 16 by 16 unit box.
void drawImage(QPainter &p, int index)
{
    switch (index) {
    case imgDesigner: {
        drawPage(p, QRectF(1.5, 1.5, 10, 13), false);
        p.setPen(pen(QColor(0x5A, 0x7F, 0xB8)));
        p.setBrush(QColor(0xC8, 0xD8, 0xF0));
        p.drawRect(QRectF(3, 4, 7, 2.5));
        p.drawRect(QRectF(3, 8, 4, 2));
        drawPencil(p, QPointF(7.5, 14), 10);
        break;
    }
    case imgStart: {
        p.setPen(pen(QColor(0x1E, 0x6E, 0x2E)));
        p.setBrush(QColor(0x3C, 0xB0, 0x4C));
        QPainterPath play;
        play.moveTo(4, 2.5);
        play.lineTo(13.5, 8);
        play.lineTo(4, 13.5);
        play.closeSubpath();
        p.drawPath(play);
        break;
    }
    case imgGroup:
        drawFolder(p, false);
        break;
    case imgGroupOpen:
        drawFolder(p, true);
        break;
    case imgReport:
        drawPage(p, QRectF(2.5, 1.5, 11, 13), true);
        break;
    case imgExit: {
        p.setPen(pen(QColor(0x6A, 0x4A, 0x2A)));
        p.setBrush(QColor(0xB0, 0x80, 0x50));
        p.drawRect(QRectF(1.5, 1.5, 8, 13));
        p.setBrush(QColor(0x30, 0x30, 0x30));
        p.drawEllipse(QRectF(6.5, 7.5, 1.5, 1.5));
        p.setPen(pen(QColor(0xC0, 0x30, 0x30), 1.8));
        p.drawLine(QPointF(9, 8), QPointF(14.5, 8));
        p.drawLine(QPointF(12, 5.5), QPointF(14.5, 8));
        p.drawLine(QPointF(12, 10.5), QPointF(14.5, 8));
        break;
    }
    case imgAdd: {
        p.setPen(pen(QColor(0x1E, 0x6E, 0x2E)));
        p.setBrush(QColor(0x3C, 0xB0, 0x4C));
        QPainterPath plus;
        plus.addRect(QRectF(6.5, 2, 3, 12));
        plus.addRect(QRectF(2, 6.5, 12, 3));
        p.drawPath(plus.simplified());
        break;
    }
    case imgEdit:
        drawPencil(p, QPointF(2, 14), 16);
        break;
    case imgDelete: {
        p.setPen(pen(QColor(0x90, 0x18, 0x18), 4.0));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        p.setPen(pen(QColor(0xE0, 0x40, 0x40), 2.2));
        p.drawLine(QPointF(4, 4), QPointF(12, 12));
        p.drawLine(QPointF(12, 4), QPointF(4, 12));
        break;
    }
    case imgCatalogue: {
        p.setPen(pen(Outline));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        for (int row = 0; row < 3; ++row) {
            const qreal y = 4 + row * 3.5;
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(0xE8, 0xB8, 0x4A));
            p.drawRect(QRectF(3.5, y - 1, 2, 2));
            p.setPen(pen(QColor(0x5A, 0x7F, 0xB8)));
            p.drawLine(QPointF(7, y), QPointF(12.5, y));
        }
        break;
    }
    case imgDialogue: {
        p.setPen(pen(Outline));
        p.setBrush(QColor(0xEC, 0xEC, 0xEC));
        p.drawRect(QRectF(1.5, 2.5, 13, 11));
        p.setBrush(QColor(0x3A, 0x6E, 0xC0));
        p.drawRect(QRectF(1.5, 2.5, 13, 2.5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(3.5, 6.5, 9, 2));
        p.setBrush(QColor(0xD0, 0xD0, 0xD0));
        p.drawRect(QRectF(8.5, 10, 4, 2));
        break;
    }
    case imgHelp:
        drawBadge(p, QColor(0x2E, 0x6E, 0xC8), QStringLiteral("?"));
        break;
    case imgAbout:
        drawBadge(p, QColor(0x2E, 0x8E, 0x9E), QStringLiteral("i"));
        break;
    case imgApplication: {
        drawPage(p, QRectF(1.5, 1, 13, 14), false);
        p.setPen(Qt::NoPen);
        const QColor bars[] = {QColor(0x3C, 0xB0, 0x4C), QColor(0x3A, 0x6E, 0xC0), QColor(0xE0, 0x70, 0x30)};
        const qreal heights[] = {5, 8, 3.5};
        for (int i = 0; i < 3; ++i) {
            p.setBrush(bars[i]);
            p.drawRect(QRectF(3.5 + i * 3.5, 13.5 - heights[i], 2.5, heights[i]));
        }
        break;
    }
    default:
        break;
    }
}

class TDrawnIconEngine : public QIconEngine
{
public:
    explicit TDrawnIconEngine(int index) : m_index(index) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->translate(rect.topLeft());
        painter->scale(rect.width() / 16.0, rect.height() / 16.0);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        drawImage(*painter, m_index);
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter p(&image);
            paint(&p, QRect(QPoint(0, 0), size), QIcon::Normal, state);
        }
        if (mode == QIcon::Disabled) {
            // Grey and faded, like every disabled toolbar image.
            for (int y = 0; y < image.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const QRgb c = line[x];
                    const int a = qAlpha(c) * 2 / 5;
                    const int grey = qGray(c) * 2 / 5;
                    line[x] = qRgba(grey, grey, grey, a);
                }
            }
        }
        return QPixmap::fromImage(image);
    }

    QIconEngine *clone() const override { return new TDrawnIconEngine(m_index); }
    QString key() const override { return QStringLiteral("TabulonDrawn"); }

private:
    int m_index;
};
} // namespace

QIcon AppImage(int index)
{
    if (index < 0 || index >= imgCount)
        return QIcon();
    return QIcon(new TDrawnIconEngine(index));
}
