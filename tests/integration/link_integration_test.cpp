// The whole link end to end: phasemeter-sim serves the meter on a pseudo-terminal, and the
// program finds it, polls it, reads its records, notices when it vanishes and finds it again.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "output/history_text.h"
#include "platform/grid.h"
#include "qt/program.h"
#include "simulated_history.h"

namespace pm {
namespace {

class Simulator {
  public:
    explicit Simulator(const QString& link) {
        process_.start(QStringLiteral(PHASEMETER_SIM_PATH),
                       {QStringLiteral("--link"), link, QStringLiteral("--records"),
                        QStringLiteral("20"), QStringLiteral("--baud"), QStringLiteral("9600"),
                        QStringLiteral("--delay"), QStringLiteral("60")});
        started_ = process_.waitForStarted(5000) && process_.waitForReadyRead(5000) &&
                   process_.readLine().trimmed() == link.toUtf8();
    }
    ~Simulator() { kill(); }
    bool started() const { return started_; }
    // The device vanishes at once, as when the cable is pulled.
    void kill() {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(5000);
        }
    }

  private:
    QProcess process_;
    bool started_ = false;
};

TEST(LinkIntegration, FindsPollsReadsLosesAndFindsTheMeterAgain) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString meterPath = dir.filePath(QStringLiteral("meter"));
    // Port 1 has no device behind it, port 2 is the meter.
    qputenv("PHASEMETER_PORTS", (dir.filePath(QStringLiteral("none")) + u':' + meterPath).toUtf8());

    auto simulator = std::make_unique<Simulator>(meterPath);
    ASSERT_TRUE(simulator->started());

    Program program;
    program.show();
    Form1& form = program.form();
    WindowModel& w = form.window();

    ASSERT_TRUE(QTest::qWaitFor([&] { return form.state().linked; }, 10'000));
    EXPECT_EQ(w.Label2.caption(), "通信成功");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.Findcom.enabled(); }, 2'000));
    EXPECT_EQ(w.Label1.caption(), "COM2已打开");

    // Live frames arrive and fill the panel.
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.u[0]->caption() != "0.00"; }, 3'000));
    EXPECT_NE(w.phase[6]->caption(), "360.0°");
    EXPECT_EQ(program.window().labelFor(*w.freq)->text().toStdString(), w.freq->caption());

    // A read of the meter's 20 records.
    w.TabStrip1.select(2);
    form.TabStrip1_Click();
    form.Command1_Click();
    Grid& grid = form.platform().grid;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return grid.rows() == 180 && !w.Readdat.enabled() && w.comunication.enabled() &&
                   grid.textMatrix(171, 0) == "NO.20";
        },
        10'000));
    // Each record in its own block, as the meter sent it.
    EXPECT_EQ(historyTextLines(grid, 20), historyTextLines(historyOf(20), 20));
    EXPECT_TRUE(w.Command1.enabled());

    // The meter vanishes: the link is declared lost and the scan goes on without a crash.
    simulator->kill();
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Label2.caption() == "通信失败"; }, 7'000));
    EXPECT_FALSE(form.state().linked);
    ASSERT_TRUE(QTest::qWaitFor([&] { return w.Label1.caption() == "COM1无效"; }, 10'000));

    // It comes back on the same device path, and the scan finds it again.
    simulator = std::make_unique<Simulator>(meterPath);
    ASSERT_TRUE(simulator->started());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.state().linked; }, 15'000));
    EXPECT_EQ(w.Label2.caption(), "通信成功");
    simulator.reset();
    qputenv("PHASEMETER_PORTS", "");
}

}  // namespace
}  // namespace pm
