#include "window/window_model.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/virtual_scheduler.h"

namespace pm {
namespace {

struct CountingObserver final : ControlObserver {
    int changes = 0;
    void controlChanged(const Control&) override { ++changes; }
};

TEST(WindowModel, DesignPlacesOfTellingControls) {
    WindowModel w;
    struct Case {
        const Control* control;
        Rect expected;
    };
    const Case cases[] = {
        {&w.TabStrip1, {600, 1800, 12375, 7455}},
        {&w.Command1, {720, 480, 1455, 855}},
        {&w.Command6, {7080, 480, 1335, 855}},
        {&w.Command5, {8640, 480, 1335, 855}},
        {&w.Frame1, {960, 2280, 11655, 6735}},
        {&w.StatusBar1, {0, 9540, 13605, 495}},
        {&w.Picture2, {8400, 3600, 2535, 2415}},
        {w.i[1], {3165, 1800, 1230, 345}},
        {w.phase[3], {3960, 3720, 1125, 285}},
        {w.phase[8], {6360, 5400, 1185, 345}},
        {w.isum, {5640, 6180, 885, 345}},
        {w.Label3[6], {6720, 360, 6 * 165, 285}},  // "Q/Kvar" sizes itself to its text
        {w.Label3[8], {600, 3720, 5 * 165, 300}},  // the one caption at 15 pt
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control->name() + "(" + std::to_string(c.control->index()) + ")");
        EXPECT_EQ(c.control->geometry(), c.expected);
    }
}

TEST(WindowModel, ValueLabelsAreGreenOnBlackBoldSong) {
    WindowModel w;
    const std::vector<Label*> labels = w.valueLabels();
    EXPECT_EQ(labels.size(), 29u);  // six columns of three, nine angles, frequency, In
    for (const Label* label : labels) {
        SCOPED_TRACE(label->name() + "(" + std::to_string(label->index()) + ")");
        EXPECT_EQ(label->style().foreground, rgbColour(0, 255, 0));
        EXPECT_EQ(label->style().background, rgbColour(0, 0, 0));
        EXPECT_EQ(label->style().font, (FontSpec{"宋体", 14.25, true}));
        EXPECT_EQ(label->parent(), &w.Frame1);
        const bool leftAligned = label->name() == "phase" || label->name() == "isum";
        EXPECT_EQ(label->style().align, leftAligned ? Align::Left : Align::Centre);
        EXPECT_EQ(label->style().border, label != w.phase[3]);
    }
}

TEST(WindowModel, ButtonsReadLeftToRightAndTabOrderIsUnique) {
    WindowModel w;
    std::vector<std::string> captions;
    const auto all = w.buttons();
    std::vector<Button*> buttons(all.begin(), all.end());
    std::sort(buttons.begin(), buttons.end(), [](const Button* a, const Button* b) {
        return a->geometry().left < b->geometry().left;
    });
    for (const Button* b : buttons) {
        captions.push_back(b->caption());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"读取", "保存", "清空", "打印", "帮助", "关闭"}));
    EXPECT_EQ(w.Command6.tabIndex(), 9);  // Help comes after the status labels in tab order
    std::set<int> seen;
    for (const Control* c : w.controls()) {
        EXPECT_TRUE(seen.insert(c->tabIndex()).second) << c->name() << " " << c->tabIndex();
    }
}

TEST(WindowModel, WiringPageLiesOverThePanelWithEveryControlInsideIt) {
    WindowModel w;
    EXPECT_EQ(w.Frame2.geometry(), w.Frame1.geometry());
    EXPECT_FALSE(w.Frame2.visible());
    const Rect page = w.Frame2.geometry();
    int children = 0;
    for (const Control* c : w.controls()) {
        if (c->parent() != &w.Frame2) {
            continue;
        }
        ++children;
        const Rect r = c->geometry();
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.left + r.width <= page.width &&
                    r.top + r.height <= page.height)
            << c->name() << "(" << c->index() << ")";
    }
    EXPECT_GT(children, 30);
}

// The controls of the site's ratios stay hidden until a site has them, so that the page looks as
// it always did; they and the filing controls keep clear of every other control of the page.
TEST(WindowModel, SiteRatioControlsAreHiddenAndOverlapNothing) {
    WindowModel w;
    auto overlap = [](const Rect& a, const Rect& b) {
        return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
               b.top < a.top + a.height;
    };
    const std::vector<const Control*> added{
        w.multiplierCaption, w.multiplier, w.primaryRows, w.meteredEnergyCaption, w.primary[0],
        w.primary[4],        w.Command18,  w.inspector,   w.inspectionNote,       w.filedMessage};
    for (const Control* b : w.controls()) {
        if (b->parent() != &w.Frame2) {
            continue;
        }
        for (const Control* a : added) {
            EXPECT_TRUE(a == b || !overlap(a->geometry(), b->geometry()))
                << a->name() << a->index() << " " << b->name() << b->index();
        }
    }
    EXPECT_EQ(std::count_if(added.begin(), added.end(), [](auto* c) { return c->visible(); }), 5);
}

TEST(WindowModel, ObserverHearsOnlyRealChanges) {
    WindowModel w;
    CountingObserver observer;
    w.Label2.setObserver(&observer);
    w.Command1.setObserver(&observer);
    w.StatusBar1.setObserver(&observer);
    w.TabStrip1.setObserver(&observer);
    w.Check1->setObserver(&observer);
    w.Text1[2]->setObserver(&observer);

    w.Check1->setValue(false);          // unchanged
    w.Check1->setEnabled(true);         // unchanged
    w.Text1[2]->setText("");            // unchanged
    w.Label2.setCaption("通信失败");    // unchanged
    w.Command1.setEnabled(true);        // unchanged
    w.TabStrip1.select(6);              // no such tab
    w.StatusBar1.setPanelText(4, "x");  // no such panel
    EXPECT_EQ(observer.changes, 0);

    w.Label2.setCaption("通信成功");
    w.Command1.setEnabled(false);
    w.StatusBar1.setPanelText(1, "2026/12/7");
    w.TabStrip1.select(2);
    w.Check1->setValue(true);
    w.Check1->setEnabled(false);
    w.Text1[2]->setText("0.85");
    EXPECT_EQ(observer.changes, 7);
    EXPECT_EQ(w.TabStrip1.selectedIndex(), 2);
}

TEST(WindowModel, EnablingATimerStartsAFullIntervalButReEnablingKeepsItsRhythm) {
    VirtualScheduler scheduler;
    Timer timer("t", 1000, false);
    std::vector<VirtualScheduler::Millis> ticks;
    timer.bind(scheduler, [&] { ticks.push_back(scheduler.now()); });
    scheduler.advanceTo(300);
    timer.setEnabled(true);
    scheduler.advanceTo(1800);
    timer.setEnabled(true);  // already running: no new interval
    scheduler.advanceTo(2400);
    timer.setEnabled(false);
    scheduler.advanceTo(5000);
    timer.setEnabled(true);
    scheduler.advanceTo(6000);
    EXPECT_EQ(ticks, (std::vector<VirtualScheduler::Millis>{1300, 2300, 6000}));
}

}  // namespace
}  // namespace pm
