#include "qt/qt_drawing_surface.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>

#include <QDir>
#include <QImage>

#include "core/twips.h"
#include "view/phasor_diagram.h"
#include "view/phasor_tables.h"

namespace pm {
namespace {

// The picture box is 2535 x 2415 twips.
const QSize kPicture2Pixels(2535 / kTwipsPerPixel, 2415 / kTwipsPerPixel);

int colourDistance(QRgb a, QColor b) {
    return std::max({std::abs(qRed(a) - b.red()), std::abs(qGreen(a) - b.green()),
                     std::abs(qBlue(a) - b.blue())});
}

// Antialiasing blends the edges of a 2-pixel line, so look for the best match among the pixels
// around the point rather than at the point alone.
int bestMatchNear(const QImage& image, QPointF at, QColor colour) {
    int best = 256;
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            const int x = static_cast<int>(std::floor(at.x())) + dx;
            const int y = static_cast<int>(std::floor(at.y())) + dy;
            if (image.valid(x, y)) {
                best = std::min(best, colourDistance(image.pixel(x, y), colour));
            }
        }
    }
    return best;
}

class BalancedDiagram : public ::testing::Test {
  protected:
    void SetUp() override {
        redrawPhasorDiagram(surface, captions, kPhasorXTable, kPhasorYTable, format);
        surface.image().save(QDir::current().filePath(QStringLiteral("phasor_balanced.png")));
    }

    const PhasorCaptions captions{
        {"230.00", "230.00", "230.00"},
        "5.000",
        {"120.0°", "120.0°", "120.0°", "120.0°", "120.0°", "120.0°", "30.0°", "30.0°", "30.0°"}};
    NumberFormat format;
    QtDrawingSurface surface{kPicture2Pixels};
};

TEST_F(BalancedDiagram, DrawsEachPhasorInItsColourUpToItsTip) {
    ASSERT_EQ(surface.image().size(), QSize(169, 161));
    const std::array<double, kPhasorCount> angles = phasorAngles(captions, format);
    for (std::size_t k = 0; k < angles.size(); ++k) {
        SCOPED_TRACE(::testing::Message() << "phasor " << k);
        const std::optional<PhasorTip> line =
            phasorTip(kPhasorXTable, kPhasorYTable, static_cast<int>(angles[k]), k < kI1);
        ASSERT_TRUE(line.has_value());
        const QColor colour = QtDrawingSurface::toQColor(kPhasorColours[k]);
        for (const double along : {0.5, 0.85}) {
            SCOPED_TRACE(::testing::Message() << "at " << along << " of the line");
            const QPointF at = surface.toPixels(along * line->x, along * line->y);
            EXPECT_LE(bestMatchNear(surface.image(), at, colour), 40);
        }
        // Beyond the tip, inside the circle, the ground shows again.
        const QPointF beyond = surface.toPixels(1.1 * line->x, 1.1 * line->y);
        if (k >= kI1) {
            EXPECT_LE(bestMatchNear(surface.image(), beyond, Qt::black), 40);
        }
    }
}

TEST_F(BalancedDiagram, DrawsTheCircleRoundOnScreenOverABlackGround) {
    const QColor cyan(0, 255, 255);
    const QPointF centre = surface.toPixels(0, 0);
    const double radius = 400.0 * 169 / 1000;  // horizontal units, for both axes
    // Directions on screen where no phasor runs, in degrees clockwise from the right.
    for (const double degrees : {60.0, 90.0, 200.0, 315.0}) {
        SCOPED_TRACE(::testing::Message() << degrees << " degrees");
        const double rad = degrees * 3.14159265358979 / 180;
        const QPointF onCircle(centre.x() + radius * std::cos(rad),
                               centre.y() + radius * std::sin(rad));
        EXPECT_LE(bestMatchNear(surface.image(), onCircle, cyan), 40);
        const QPointF inside(centre.x() + 0.8 * radius * std::cos(rad),
                             centre.y() + 0.8 * radius * std::sin(rad));
        EXPECT_LE(bestMatchNear(surface.image(), inside, Qt::black), 0);
    }
    for (const QPoint corner : {QPoint(0, 0), QPoint(168, 0), QPoint(0, 160), QPoint(168, 160)}) {
        EXPECT_EQ(surface.image().pixel(corner), qRgb(0, 0, 0));
    }
}

TEST_F(BalancedDiagram, ShowsTheKeptImageAndClearsToBlack) {
    // What the widget paints is the kept image, so covering and uncovering loses nothing.
    const QImage shown = surface.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, surface.image());

    surface.cls();
    QImage black(surface.image().size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(surface.image(), black);
}

TEST_F(BalancedDiagram, DrawsEachCircleAsAskedAfterAnother) {
    struct Case {
        const char* name;
        double radius;
        Colour colour;
        int width;
    };
    // The circle of the diagram is kept ready-made; any other circle must not come out as that.
    const Case cases[] = {
        {"smaller", 200, kPhasorYellow, 2},
        {"same size, other colour", 400, kPhasorRed, 2},
        {"same circle, thinner", 400, kPhasorCircleCyan, 1},
        {"the diagram's own again", 400, kPhasorCircleCyan, 2},
    };
    const QPointF centre = surface.toPixels(0, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        surface.cls();
        surface.setDrawWidth(c.width);
        surface.circle(0, 0, c.radius, c.colour);
        // A surface that never drew anything else shows what the circle must look like.
        QtDrawingSurface fresh(kPicture2Pixels);
        fresh.setScale(-500, 500, 500, -500);
        fresh.setDrawWidth(c.width);
        fresh.circle(0, 0, c.radius, c.colour);
        EXPECT_EQ(surface.image(), fresh.image());
        if (c.width == 2) {
            const double pixels = c.radius * 169 / 1000;
            const QColor colour = QtDrawingSurface::toQColor(c.colour);
            EXPECT_LE(bestMatchNear(surface.image(), centre + QPointF(0, pixels), colour), 40);
            EXPECT_LE(bestMatchNear(surface.image(), centre - QPointF(pixels, 0), colour), 40);
        }
    }
    // A circle far larger than the surface, or beside it, draws what falls on it and no more.
    surface.cls();
    surface.circle(0, 0, 1e12, kPhasorYellow);
    surface.circle(5000, 0, 100, kPhasorYellow);
    QImage black(surface.image().size(), QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_EQ(surface.image(), black);
    surface.circle(500, 0, 100, kPhasorYellow);  // centred on the right edge
    EXPECT_LE(bestMatchNear(surface.image(), surface.toPixels(500, 100), Qt::yellow), 40);
}

TEST_F(BalancedDiagram, TextIsCentredOnItsPointOverItsOwnPatchOfGround) {
    // Across the U1 phasor, which runs right from the centre along y = 0.
    surface.text(200, 0, "U1=Ua", rgbColour(255, 255, 255));
    const QImage& image = surface.image();
    const QPoint at = surface.toPixels(200, 0).toPoint();
    QRect inked;
    bool yellowLeft = false;
    for (int y = at.y() - 12; y <= at.y() + 12; ++y) {
        for (int x = at.x() - 40; x <= at.x() + 40; ++x) {
            const QRgb pixel = image.pixel(x, y);
            inked |= colourDistance(pixel, Qt::white) < 100 ? QRect(x, y, 1, 1) : QRect();
            yellowLeft |= std::abs(x - at.x()) < 10 && std::abs(y - at.y()) <= 1 &&
                          colourDistance(pixel, Qt::yellow) < 60;
        }
    }
    ASSERT_FALSE(inked.isEmpty());
    EXPECT_LE(std::abs(inked.center().x() - at.x()), 2);
    EXPECT_LE(std::abs(inked.center().y() - at.y()), 2);
    EXPECT_FALSE(yellowLeft);  // the phasor is blanked under the label
}

}  // namespace
}  // namespace pm
