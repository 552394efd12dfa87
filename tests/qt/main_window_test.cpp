#include "qt/main_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFontInfo>
#include <QFontMetrics>
#include <QImage>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QRadioButton>
#include <QTabBar>
#include <QTest>
#include <QToolButton>
#include <cmath>

#include "fakes/test_frames.h"
#include "qt/program.h"
#include "qt/trend_chart.h"

namespace pm {
namespace {

bool isCjkFace(const QString& family) {
    return family.contains(QStringLiteral("UMing")) ||
           family.contains(QStringLiteral("WenQuanYi")) || family.contains(QStringLiteral("CJK"));
}

// Every character of `text` has a glyph in the font that `widget` really draws with.
void expectRealGlyphs(const QWidget* widget, const QString& text) {
    const QFontInfo info(widget->font());
    EXPECT_TRUE(isCjkFace(info.family())) << info.family().toStdString();
    const QFontMetrics metrics(widget->font());
    for (const QChar c : text) {
        EXPECT_TRUE(metrics.inFont(c)) << text.toStdString();
    }
}

class StartedWindow : public ::testing::Test {
  protected:
    void SetUp() override {
        program.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.window()));
        shot = program.window().grab().toImage();
        shot.save(QDir::current().filePath(QStringLiteral("startup_window.png")));
    }
    QString caption(const Label* label) { return program.window().labelFor(*label)->text(); }

    Program program;
    QImage shot;
};

TEST_F(StartedWindow, HasTheDesignedTitleAndClientArea) {
    EXPECT_EQ(program.window().windowTitle(), QStringLiteral("3-PHASE DIGITAL PHASE METER"));
    EXPECT_EQ(program.window().size(), QSize(907, 669));
    EXPECT_EQ(shot.size() / shot.devicePixelRatio(), QSize(907, 669));
}

TEST_F(StartedWindow, ShowsTheRealTimePanelWithDesignCaptions) {
    WindowModel& w = program.form().window();
    auto* tabs = program.window().widgetFor(w.TabStrip1)->findChild<QTabBar*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->currentIndex(), 0);
    EXPECT_EQ(tabs->tabText(0), QStringLiteral("实时监控"));
    EXPECT_EQ(tabs->tabText(1), QStringLiteral("历史查询"));
    EXPECT_TRUE(program.window().widgetFor(w.Frame1)->isVisible());
    EXPECT_FALSE(program.window().gridWidget()->isVisible());

    struct Case {
        const Label* label;
        const char* text;
    };
    std::vector<Case> cases;
    for (int k = 0; k < 3; ++k) {
        cases.push_back({w.u[k], "0.00"});
        cases.push_back({w.i[k], "0.0000"});
        cases.push_back({w.p[k], "0.0000"});
        cases.push_back({w.q[k], "0.0000"});
        cases.push_back({w.s[k], "0.0000"});
        cases.push_back({w.pf[k], "1.000"});
    }
    for (const Label* angle : w.phase) {
        cases.push_back({angle, "360.0°"});
    }
    cases.push_back({w.freq, "0.00"});
    cases.push_back({w.isum, "0.000"});
    cases.push_back({&w.Label1, "串口状态"});
    cases.push_back({&w.Label2, "通信失败"});
    for (const Case& c : cases) {
        const QLabel* label = program.window().labelFor(*c.label);
        EXPECT_EQ(label->text().toStdString(), c.text) << c.label->name() << c.label->index();
        EXPECT_TRUE(label->isVisible()) << c.label->name() << c.label->index();
    }
}

TEST_F(StartedWindow, ValueLabelIsGreenOnBlack) {
    QLabel* label = program.window().labelFor(*program.form().window().u[0]);
    const QImage image = label->grab().toImage();
    const QPoint inside(image.width() / 10, image.height() / 2);  // left of the centred text
    EXPECT_EQ(image.pixelColor(inside), QColor(Qt::black));
    int green = 0;
    int other = 0;
    for (int y = 2; y < image.height() - 2; ++y) {
        for (int x = 2; x < image.width() - 2; ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c == QColor(Qt::black)) {
                continue;
            }
            (c.green() > 2 * c.red() && c.green() > 2 * c.blue() ? green : other)++;
        }
    }
    EXPECT_GT(green, 40);  // "0.00" drawn in green
    EXPECT_EQ(other, 0);
}

TEST_F(StartedWindow, StatusBarShowsDateAndTimeFromTheStart) {
    const QLabel* date = program.window().statusPanel(1);
    const QLabel* name = program.window().statusPanel(2);
    const QLabel* time = program.window().statusPanel(3);
    ASSERT_TRUE(date && name && time);
    EXPECT_NE(date->text(), QStringLiteral("data"));
    EXPECT_TRUE(date->text().contains(QString::number(QDate::currentDate().day())));
    EXPECT_EQ(name->text(), QStringLiteral("智能型三钳相位伏安表"));
    EXPECT_NE(time->text(), QStringLiteral("time"));
    EXPECT_EQ(time->text().count(u':'), 2) << time->text().toStdString();
}

TEST_F(StartedWindow, ChineseTextsHaveRealGlyphs) {
    WindowModel& w = program.form().window();
    expectRealGlyphs(program.window().labelFor(w.Label1), QStringLiteral("串口状态"));
    expectRealGlyphs(program.window().labelFor(w.Label2),
                     QStringLiteral("通信失败通信成功被占用无效已打开"));
    expectRealGlyphs(program.window().statusPanel(2), QStringLiteral("智能型三钳相位伏安表"));
    auto* tabs = program.window().widgetFor(w.TabStrip1)->findChild<QTabBar*>();
    expectRealGlyphs(tabs, QStringLiteral("实时监控历史查询"));
    for (const Button* button : w.buttons()) {
        const auto* tool = qobject_cast<const QToolButton*>(program.window().widgetFor(*button));
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(tool->text().toStdString(), button->caption());
        EXPECT_TRUE(tool->isEnabled());
        expectRealGlyphs(tool, tool->text());
    }
}

TEST_F(StartedWindow, ModelChangesReachTheWidgets) {
    WindowModel& w = program.form().window();
    w.Label1.setCaption("COM3已打开");
    w.Command2.setEnabled(false);
    w.Frame1.setVisible(false);
    EXPECT_EQ(program.window().labelFor(w.Label1)->text(), QStringLiteral("COM3已打开"));
    EXPECT_FALSE(program.window().widgetFor(w.Command2)->isEnabled());
    EXPECT_FALSE(program.window().widgetFor(w.Frame1)->isVisible());
}

TEST_F(StartedWindow, ClickingTheHistoryTabShowsTheTableInPlaceOfThePanel) {
    WindowModel& w = program.form().window();
    auto* tabs = program.window().widgetFor(w.TabStrip1)->findChild<QTabBar*>();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    EXPECT_EQ(w.TabStrip1.selectedIndex(), 2);
    EXPECT_FALSE(program.form().state().liveView);
    EXPECT_FALSE(program.window().widgetFor(w.Frame1)->isVisible());
    QWidget* grid = program.window().gridWidget();
    EXPECT_TRUE(grid->isVisible());
    EXPECT_EQ(grid->geometry(), QRect(64, 152, 777, 449));  // where the panel was
    program.window().grab().save(QDir::current().filePath(QStringLiteral("history_tab.png")));

    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    EXPECT_TRUE(program.form().state().liveView);
    EXPECT_TRUE(program.window().widgetFor(w.Frame1)->isVisible());
    EXPECT_FALSE(grid->isVisible());
}

TEST_F(StartedWindow, WiringTabShowsItsPageAndItsControlsReachTheHandlers) {
    WindowModel& w = program.form().window();
    MainWindow& window = program.window();
    sim::Reading reading = testing::balancedReading();
    reading.angle[7] = 2100;  // current 2 turned round
    reading.angle[3] = 3000;
    reading.angle[4] = 3000;
    program.form().state().liveFrame = testing::frameOf(reading);

    auto* tabs = window.widgetFor(w.TabStrip1)->findChild<QTabBar*>();
    ASSERT_EQ(tabs->count(), 5);
    EXPECT_EQ(tabs->tabText(2), QStringLiteral("接线判断"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    EXPECT_TRUE(program.form().wiringPage().shown());
    QWidget* page = window.widgetFor(w.Frame2);
    EXPECT_TRUE(page->isVisible());
    EXPECT_EQ(page->geometry(), window.widgetFor(w.Frame1)->geometry());
    EXPECT_FALSE(window.widgetFor(w.Frame1)->isVisible());
    EXPECT_FALSE(window.gridWidget()->isVisible());
    EXPECT_EQ(window.labelFor(*w.conclusion)->text(), QStringLiteral("I2反接"));
    EXPECT_EQ(window.labelFor(*w.kValue)->text(), QStringLiteral("3.000"));
    window.grab().save(QDir::current().filePath(QStringLiteral("wiring_tab.png")));

    auto* threeWire = static_cast<QRadioButton*>(window.widgetFor(*w.Option1[1]));
    QTest::mouseClick(threeWire, Qt::LeftButton, {}, QPoint(8, threeWire->height() / 2));
    EXPECT_TRUE(w.Option1[1]->value());
    EXPECT_FALSE(w.Option1[0]->value());
    EXPECT_FALSE(static_cast<QRadioButton*>(window.widgetFor(*w.Option1[0]))->isChecked());
    EXPECT_FALSE(window.widgetFor(*w.Check1)->isEnabled());
    EXPECT_TRUE(window.widgetFor(*w.Option4[2])->isEnabled());

    auto* energy = static_cast<QLineEdit*>(window.widgetFor(*w.Text1[3]));
    QTest::keyClicks(energy, QStringLiteral("1200"));
    EXPECT_EQ(w.Text1[3]->text(), "1200");
    EXPECT_EQ(program.form().wiringPage().options().meteredEnergy, 1200);
    window.grab().save(QDir::current().filePath(QStringLiteral("wiring_tab_three_wire.png")));

    // A site with both ratios brings its installation and the primary values' widgets.
    SiteFields site;
    site.currentRatio = "200/5";
    site.voltageRatio = "10000/100";
    program.form().wiringPage().setSite(site);
    EXPECT_TRUE(static_cast<QRadioButton*>(window.widgetFor(*w.Option1[0]))->isChecked());
    EXPECT_TRUE(window.labelFor(*w.primary[4])->isVisible());
    EXPECT_EQ(caption(w.primary[4]).toStdString(), w.primary[4]->caption());
    window.grab().save(QDir::current().filePath(QStringLiteral("wiring_tab_site.png")));
}

TEST_F(StartedWindow, TrendTabShowsTheChartOfTheTickedQuantities) {
    WindowModel& w = program.form().window();
    MainWindow& window = program.window();
    Form1& form = program.form();
    auto* tabs = window.widgetFor(w.TabStrip1)->findChild<QTabBar*>();
    EXPECT_EQ(tabs->tabText(3), QStringLiteral("趋势记录"));
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(3).center());
    EXPECT_TRUE(form.trendPage().shown());
    EXPECT_TRUE(window.widgetFor(w.Frame3)->isVisible());
    EXPECT_FALSE(window.widgetFor(w.Frame2)->isVisible());
    EXPECT_FALSE(window.gridWidget()->isVisible());

    form.state().rxBytes = testing::balancedFrame();
    form.liveDataReply();
    auto* chart = static_cast<TrendChartView*>(window.widgetFor(w.Chart1));
    ASSERT_EQ(chart->series().size(), 3u);
    EXPECT_EQ(chart->series()[0]->name(), QStringLiteral("U1"));
    EXPECT_EQ(chart->series()[0]->count(), 1);

    auto* in = static_cast<QCheckBox*>(window.widgetFor(*w.Check2[16]));
    QTest::mouseClick(in, Qt::LeftButton, {}, QPoint(8, in->height() / 2));
    EXPECT_TRUE(w.Check2[16]->value());
    ASSERT_EQ(chart->series().size(), 4u);
    EXPECT_EQ(chart->series()[3]->name(), QStringLiteral("In"));
    EXPECT_NE(window.labelFor(*w.latest)->text().indexOf(QStringLiteral("U1 = 230.00 V")), -1);
    window.grab().save(QDir::current().filePath(QStringLiteral("trend_tab.png")));
}

TEST(TrendChartView, AGapBreaksTheLineIntoPiecesOfOneColourAndOneLegendEntry) {
    TrendChartView view;
    view.show();
    Chart model("Chart1", {0, 0, 6000, 4000}, 0, nullptr);
    const double gap = std::nan("");
    struct Case {
        std::vector<Chart::Point> points;
        std::size_t pieces;  // besides the line's own series
    };
    const Case cases[] = {{{{0, 1}, {1, 2}, {5, gap}, {5, 3}, {9, gap}, {9, 4}}, 2},
                          {{{0, 1}, {1, 2}}, 0},
                          {{{0, 1}, {1, 2}, {3, gap}, {3, 2}}, 1}};
    for (const Case& c : cases) {
        model.setLines({{"U1", c.points}}, 0, 10);
        view.mirror(model);
        QApplication::processEvents();
        ASSERT_EQ(view.series().size(), 1u);
        ASSERT_EQ(view.pieces().size(), c.pieces);
        EXPECT_EQ(view.series()[0]->count(), 2);
        for (QLineSeries* piece : view.pieces()) {
            EXPECT_EQ(piece->count(), 1);
            EXPECT_EQ(piece->color(), view.series()[0]->color());
        }
        int shown = 0;
        for (QLegendMarker* marker : view.chart()->legend()->markers()) {
            shown += marker->isVisible() ? 1 : 0;
        }
        EXPECT_EQ(shown, 1);
    }
}

}  // namespace
}  // namespace pm
