#pragma once

#include <QColor>
#include <QImage>
#include <QPointF>
#include <QSize>
#include <QWidget>

#include "platform/drawing_surface.h"

namespace pm {

// A drawing surface that keeps its picture in an image of fixed pixel size: every operation
// draws into the image, and the widget only shows it, so the picture survives being covered and
// the printed report can take it as it stands.
class QtDrawingSurface final : public QWidget, public DrawingSurface {
    Q_OBJECT

  public:
    // Created without a parent; the window that shows it adopts it with setParent.
    explicit QtDrawingSurface(QSize pixels);

    void setScale(double left, double top, double right, double bottom) override;
    void setDrawWidth(int pixels) override;
    void setAutoRedraw(bool on) override;
    void cls() override;
    void line(double x1, double y1, double x2, double y2, Colour colour) override;
    void circle(double cx, double cy, double radius, Colour colour) override;
    void text(double x, double y, const std::string& utf8, Colour colour) override;

    QSize sizeHint() const override { return image_.size(); }

    const QImage& image() const { return image_; }
    bool autoRedraw() const { return autoRedraw_; }
    int drawWidth() const { return drawWidth_; }

    // Pixel position of a point in user coordinates (pixel centres sit at .5).
    QPointF toPixels(double x, double y) const;

    static QColor toQColor(Colour colour);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    // An antialiased circle costs tens of microseconds to rasterise, far more than the rest of a
    // redraw, and the diagram draws the same circle every time. So the circle is rendered once
    // into a transparent stamp and the stamp is composited; a different circle renders anew.
    struct CircleStamp {
        QPointF centre;
        double radius = -1;
        int width = 0;
        Colour colour = 0;
        QPoint origin;  // where the stamp's top left corner sits on the image
        QImage pixels;
    };
    const CircleStamp& circleStamp(QPointF centre, double radius, Colour colour);

    QImage image_;
    CircleStamp stamp_;
    QColor background_ = Qt::black;
    // User coordinates of the edges; until a scale is set they are the pixels themselves.
    double left_ = 0;
    double top_ = 0;
    double right_;
    double bottom_;
    int drawWidth_ = 1;
    bool autoRedraw_ = false;
};

}  // namespace pm
