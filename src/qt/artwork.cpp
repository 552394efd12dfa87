#include "qt/artwork.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace pm {
namespace {

QPixmap canvas(int w, int h) {
    QPixmap pixmap(w, h);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void drawBolt(QPainter& painter, QRectF r) {
    const QPolygonF bolt{
        QPointF(r.left() + 0.58 * r.width(), r.top() + 0.08 * r.height()),
        QPointF(r.left() + 0.26 * r.width(), r.top() + 0.55 * r.height()),
        QPointF(r.left() + 0.47 * r.width(), r.top() + 0.55 * r.height()),
        QPointF(r.left() + 0.38 * r.width(), r.top() + 0.92 * r.height()),
        QPointF(r.left() + 0.74 * r.width(), r.top() + 0.42 * r.height()),
        QPointF(r.left() + 0.53 * r.width(), r.top() + 0.42 * r.height()),
    };
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawPolygon(bolt);
}

QPixmap drawIcon(ButtonIcon which, int s) {
    QPixmap pixmap = canvas(s, s);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = s / 32.0;  // drawn on a 32-unit grid
    p.scale(u, u);
    const QColor ink(40, 60, 110);
    switch (which) {
        case ButtonIcon::Read: {  // an arrow down into the meter's memory
            p.setPen(QPen(ink, 2));
            p.setBrush(QColor(210, 225, 245));
            p.drawRoundedRect(QRectF(4, 20, 24, 9), 2, 2);
            p.setBrush(QColor(30, 130, 60));
            p.setPen(Qt::NoPen);
            p.drawPolygon(QPolygonF{QPointF(12, 3), QPointF(20, 3), QPointF(20, 12),
                                    QPointF(25, 12), QPointF(16, 21), QPointF(7, 12),
                                    QPointF(12, 12)});
            break;
        }
        case ButtonIcon::Save: {  // a diskette
            p.setPen(QPen(ink, 1.5));
            p.setBrush(QColor(70, 100, 170));
            p.drawRoundedRect(QRectF(4, 4, 24, 24), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9, 5, 14, 9));
            p.setBrush(QColor(200, 200, 200));
            p.drawRect(QRectF(9, 19, 14, 8));
            break;
        }
        case ButtonIcon::Clear: {  // a waste bin
            p.setPen(QPen(ink, 1.5));
            p.setBrush(QColor(225, 225, 225));
            p.drawRect(QRectF(6, 7, 20, 3));
            p.drawPolygon(
                QPolygonF{QPointF(8, 10), QPointF(24, 10), QPointF(22, 29), QPointF(10, 29)});
            p.drawLine(QPointF(13, 13), QPointF(13.5, 26));
            p.drawLine(QPointF(19, 13), QPointF(18.5, 26));
            p.drawRect(QRectF(13, 4, 6, 3));
            break;
        }
        case ButtonIcon::Print: {  // a printer with a sheet
            p.setPen(QPen(ink, 1.5));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9, 3, 14, 10));
            p.setBrush(QColor(160, 170, 185));
            p.drawRoundedRect(QRectF(3, 12, 26, 12), 2, 2);
            p.setBrush(Qt::white);
            p.drawRect(QRectF(9, 20, 14, 9));
            p.drawLine(QPointF(12, 24), QPointF(20, 24));
            break;
        }
        case ButtonIcon::Help: {  // a question mark in a circle
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(40, 110, 200));
            p.drawEllipse(QRectF(2, 2, 28, 28));
            QFont font;
            font.setBold(true);
            font.setPixelSize(22);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(QRectF(2, 2, 28, 28), Qt::AlignCenter, QStringLiteral("?"));
            break;
        }
        case ButtonIcon::Close: {  // a red cross
            p.setPen(Qt::NoPen);
            p.setBrush(QColor(190, 40, 40));
            p.drawRoundedRect(QRectF(3, 3, 26, 26), 5, 5);
            p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(10, 10), QPointF(22, 22));
            p.drawLine(QPointF(22, 10), QPointF(10, 22));
            break;
        }
    }
    return pixmap;
}

}  // namespace

QPixmap emblemPixmap(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(QColor(128, 0, 0));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    drawBolt(painter, QRectF(0, 0, width, height));
    return pixmap;
}

QIcon windowIcon() {
    return QIcon(emblemPixmap(32, 32));
}

QIcon buttonIcon(ButtonIcon which, int pixels) {
    return QIcon(drawIcon(which, pixels));
}

}  // namespace pm
