// The live update as the user sees it: a measurement frame through the real window's panel and
// phasor diagram, on the offscreen platform.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QLabel>
#include <QTest>

#include "fakes/test_frames.h"
#include "platform/grid.h"
#include "qt/program.h"
#include "view/stored_record.h"

namespace pm {
namespace {

TEST(LiveWindow, BalancedFrameShowsItsCaptionsAndDiagram) {
    Program program;
    program.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.window()));
    Form1& form = program.form();
    WindowModel& w = form.window();

    form.state().rxBytes = testing::balancedFrame();
    form.updateLivePanel();

    struct Case {
        const Label* label;
        const char* text;
    };
    std::vector<Case> cases{{w.freq, "50.00"}, {w.isum, "0.000"}};
    for (int k = 0; k < 3; ++k) {
        cases.insert(cases.end(), {{w.u[k], "230.00"},
                                   {w.i[k], "5.000"},
                                   {w.s[k], "1.1500"},
                                   {w.pf[k], "0.866"},
                                   {w.p[k], "0.9959"},
                                   {w.q[k], "0.5750"},
                                   {w.phase[k], "120.0°"},
                                   {w.phase[k + 3], "120.0°"},
                                   {w.phase[k + 6], "30.0°"}});
    }
    for (const Case& c : cases) {
        EXPECT_EQ(program.window().labelFor(*c.label)->text().toStdString(), c.text)
            << c.label->name() << "(" << c.label->index() << ")";
    }

    QWidget* picture = program.window().widgetFor(w.Picture2);
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->size(), QSize(169, 161));
    const QImage shot = picture->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.save(QDir::current().filePath(QStringLiteral("live_phasor_diagram.png")));
    program.window().grab().save(QDir::current().filePath(QStringLiteral("live_window.png")));

    // Every colour of the diagram made it onto the screen.
    struct Ink {
        const char* name;
        QRgb rgb;
        int pixels = 0;
    };
    Ink inks[] = {{"yellow", qRgb(255, 255, 0)},
                  {"green", qRgb(0, 255, 0)},
                  {"red", qRgb(255, 0, 0)},
                  {"cyan", qRgb(0, 255, 255)}};
    for (int y = 0; y < shot.height(); ++y) {
        for (int x = 0; x < shot.width(); ++x) {
            for (Ink& ink : inks) {
                ink.pixels += shot.pixel(x, y) == ink.rgb;
            }
        }
    }
    for (const Ink& ink : inks) {
        EXPECT_GT(ink.pixels, 40) << ink.name;
    }
}

TEST(LiveWindow, HistoryTabShowsThreeReadRecords) {
    Program program;
    program.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.window()));
    Form1& form = program.form();
    Grid& grid = form.platform().grid;
    for (int n = 1; n <= 3; ++n) {
        // Each record a little different: channel n carries 10 A more, record 2 in mode 2.
        auto frame = testing::withWord(testing::balancedFrame(), 6 + 2 * (n - 1), 15000);
        frame = testing::withByte(frame, 38, n == 2 ? 2 : 0);
        writeStoredRecord(grid, frame, n, form.platform().numberFormat);
    }
    form.window().TabStrip1.select(2);
    form.TabStrip1_Click();
    QApplication::processEvents();

    QWidget* table = program.window().gridWidget();
    EXPECT_TRUE(table->isVisible());
    EXPECT_FALSE(program.window().widgetFor(form.window().Frame1)->isVisible());
    EXPECT_EQ(grid.rows(), 27);
    EXPECT_EQ(grid.textMatrix(18, 0), "NO.3");
    EXPECT_EQ(grid.textMatrix(13, 1), "----");  // record 2, mode 2: U1U2 not available
    EXPECT_EQ(grid.textMatrix(2, 2), "5.000");
    EXPECT_EQ(grid.textMatrix(11, 2), "15.000");
    program.window().grab().save(QDir::current().filePath(QStringLiteral("history_window.png")));
}

}  // namespace
}  // namespace pm
