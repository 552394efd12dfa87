#include "qt/qt_drawing_surface.h"

#include <cmath>

#include <QPaintEvent>
#include <QPainter>
#include <QPen>

#include "qt/fonts.h"

namespace pm {
namespace {

// Labels of a diagram: small enough that six fit round a picture a few centimetres wide.
const FontSpec kTextFont = songFont(9, true);

}  // namespace

QtDrawingSurface::QtDrawingSurface(QSize pixels)
    : QWidget(nullptr),
      image_(pixels, QImage::Format_RGB32),
      right_(pixels.width()),
      bottom_(pixels.height()) {
    image_.fill(background_);
    resize(pixels);
    // The image covers the whole widget, so Qt need not erase behind it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void QtDrawingSurface::setScale(double left, double top, double right, double bottom) {
    // A scale without extent would map every point to infinity; keep the one we have.
    if (left == right || top == bottom) {
        return;
    }
    left_ = left;
    top_ = top;
    right_ = right;
    bottom_ = bottom;
}

void QtDrawingSurface::setDrawWidth(int pixels) {
    drawWidth_ = pixels < 1 ? 1 : pixels;
}

// The picture is always kept in the image, so there is nothing to switch; the flag is only
// remembered for whoever asks.
void QtDrawingSurface::setAutoRedraw(bool on) {
    autoRedraw_ = on;
}

void QtDrawingSurface::cls() {
    image_.fill(background_);
    update();
}

QPointF QtDrawingSurface::toPixels(double x, double y) const {
    return {(x - left_) / (right_ - left_) * image_.width(),
            (y - top_) / (bottom_ - top_) * image_.height()};
}

QColor QtDrawingSurface::toQColor(Colour colour) {
    return QColor(redOf(colour), greenOf(colour), blueOf(colour));
}

void QtDrawingSurface::line(double x1, double y1, double x2, double y2, Colour colour) {
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::Antialiasing);
    // Flat ends: the line stops at its end point instead of overshooting the phasor's tip.
    painter.setPen(QPen(toQColor(colour), drawWidth_, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(toPixels(x1, y1), toPixels(x2, y2));
    painter.end();
    update();
}

const QtDrawingSurface::CircleStamp& QtDrawingSurface::circleStamp(QPointF centre, double radius,
                                                                   Colour colour) {
    if (stamp_.centre == centre && stamp_.radius == radius && stamp_.width == drawWidth_ &&
        stamp_.colour == colour) {
        return stamp_;
    }
    stamp_.centre = centre;
    stamp_.radius = radius;
    stamp_.width = drawWidth_;
    stamp_.colour = colour;
    // Only the part of the ring that can land on the image is kept, so even a huge circle
    // costs no more memory than the image itself.
    const double reach = radius + drawWidth_;
    const QRectF ring(centre.x() - reach - 1, centre.y() - reach - 1, 2 * reach + 2, 2 * reach + 2);
    const QRect kept = ring.intersected(QRectF(image_.rect())).toAlignedRect();
    stamp_.origin = kept.topLeft();
    stamp_.pixels = QImage(kept.size(), QImage::Format_ARGB32_Premultiplied);
    if (stamp_.pixels.isNull()) {
        return stamp_;
    }
    stamp_.pixels.fill(Qt::transparent);
    QPainter painter(&stamp_.pixels);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(toQColor(colour), drawWidth_));
    painter.setBrush(Qt::NoBrush);
    painter.translate(-QPointF(stamp_.origin));
    painter.drawEllipse(centre, radius, radius);
    return stamp_;
}

void QtDrawingSurface::circle(double cx, double cy, double radius, Colour colour) {
    // Round on screen: the radius is measured along x and used for both axes.
    const double pixelRadius = std::abs(radius * image_.width() / (right_ - left_));
    const QPointF centre = toPixels(cx, cy);
    if (!std::isfinite(pixelRadius) || !std::isfinite(centre.x()) || !std::isfinite(centre.y())) {
        return;
    }
    const CircleStamp& stamp = circleStamp(centre, pixelRadius, colour);
    if (stamp.pixels.isNull()) {
        return;  // nothing of it falls on the image
    }
    QPainter painter(&image_);
    painter.drawImage(stamp.origin, stamp.pixels);
    painter.end();
    update();
}

void QtDrawingSurface::text(double x, double y, const std::string& utf8, Colour colour) {
    const QPointF centre = toPixels(x, y);
    if (!std::isfinite(centre.x()) || !std::isfinite(centre.y())) {
        return;
    }
    QPainter painter(&image_);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(toQFont(kTextFont));
    painter.setPen(toQColor(colour));
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    // A box far larger than any label, centred on the point: the text is centred in it.
    const QRectF box(centre.x() - image_.width(), centre.y() - image_.height(),
                     2.0 * image_.width(), 2.0 * image_.height());
    const QRectF used = painter.boundingRect(box, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter.fillRect(used.adjusted(-1, 0, 1, 0), background_);
    painter.drawText(used, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter.end();
    update();
}

void QtDrawingSurface::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), background_);
    painter.drawImage(QPoint(0, 0), image_);
}

}  // namespace pm
