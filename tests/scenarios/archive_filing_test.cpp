// Reads of the stored records filed into the archive as they arrive: whole at any line timing,
// committed every second, unfinished when the link is lost, and a failing archive said once
// while the table keeps the read.
#include <gtest/gtest.h>

#include "fakes/rig.h"
#include "view/download_table.h"

namespace pm {
namespace {

using testing::Rig;

struct FilingRig : Rig {
    sim::InstrumentSimulator& meter = serial.attachInstrument(3);
    explicit FilingRig(int records, int delayMs = 20) {
        clock.runWith([this] { return scheduler.now(); });
        meter.setReplyDelayMs(delayMs);
        meter.setRecordCount(records);
        startAndLink();
        clickTab(2);
        scheduler.advanceBy(1'550);
    }
    void read() {
        form.Command1_Click();
        while ((w().Readdat.enabled() || !w().comunication.enabled()) &&
               scheduler.now() < 3'000'000) {
            scheduler.runNext();
        }
    }
    std::vector<std::string> tableTexts(const MemoryGrid& g) const {
        std::vector<std::string> texts;
        for (int r = 0; r < g.rows(); ++r) {
            for (int c = 0; c < g.cols(); ++c) {
                texts.push_back(g.textMatrix(r, c).value_or("?"));
            }
        }
        return texts;
    }
};

TEST(ArchiveFiling, EveryReadLandsWholeAndRebuildsTheTableItLeft) {
    struct Case {
        int records;
        int delayMs;
        int unanswered;  // 0: every record answers
    };
    // From a quick meter to one near the end of its reply wait, with and without a record that
    // never answers (last, middle, first).
    for (const Case c : {Case{1, 5, 0}, Case{37, 20, 0}, Case{12, 250, 0}, Case{9, 60, 5},
                         Case{9, 120, 9}, Case{4, 20, 1}}) {
        SCOPED_TRACE(std::to_string(c.records) + " records, " + std::to_string(c.delayMs) +
                     " ms, unanswered " + std::to_string(c.unanswered));
        FilingRig rig(c.records, c.delayMs);
        rig.meter.setUnansweredRecord(c.unanswered);
        SiteFields fields;
        fields.name = "甲厂";
        const ArchiveIdResult site = rig.archive.saveSite(0, fields, 1);
        rig.form.setCurrentSite(rig.archive.site(site.id));
        rig.read();

        const ArchiveId id = rig.form.filedDownload();
        ASSERT_NE(id, 0);
        EXPECT_EQ(rig.form.tableDownload(), id);
        const std::optional<Download> filed = rig.archive.download(id);
        ASSERT_TRUE(filed);
        EXPECT_TRUE(filed->summary.finished);
        EXPECT_EQ(filed->summary.siteId, site.id);
        EXPECT_EQ(filed->summary.reportedCount, c.records);
        EXPECT_EQ(filed->summary.port, "COM3");
        EXPECT_GE(filed->summary.endUtc, filed->summary.startUtc);
        // Every answered record as it came, by number; the unanswered one not at all.
        std::vector<DownloadRecord> expected;
        for (int n = 1; n <= static_cast<int>(rig.s().recordFrames.size()); ++n) {
            const auto& bytes = rig.s().recordFrames[static_cast<std::size_t>(n - 1)];
            if (!bytes.empty()) {
                expected.push_back({n, bytes});
            }
        }
        EXPECT_EQ(static_cast<int>(expected.size()), c.records - (c.unanswered != 0 ? 1 : 0));
        EXPECT_EQ(filed->records, expected);

        MemoryGrid rebuilt;
        EXPECT_EQ(writeDownload(rebuilt, *filed, NumberFormat{}), rig.s().recordFrames);
        EXPECT_EQ(rig.tableTexts(rebuilt), rig.tableTexts(rig.grid));
        EXPECT_NE(rig.w().archiveLine.caption().find("甲厂"), std::string::npos);
    }
}

TEST(ArchiveFiling, CommitsEverySecondAndALostLinkLeavesTheDownloadUnfinished) {
    FilingRig rig(200);
    rig.form.Command1_Click();
    // Five seconds of the read: each second's records are written within that second.
    for (int second = 1; second <= 5; ++second) {
        rig.scheduler.advanceBy(1'000);
        const std::optional<Download> filed = rig.archive.download(rig.form.filedDownload());
        ASSERT_TRUE(filed);
        const int received = static_cast<int>(rig.s().recordFrames.size());
        EXPECT_GE(static_cast<int>(filed->records.size()), received - 10) << second << " s";
        EXPECT_FALSE(filed->summary.finished);
    }
    // The meter falls silent: the link is lost, and the download keeps every record received.
    rig.meter.setSilent(true);
    const auto received = rig.s().recordFrames;
    rig.scheduler.advanceBy(8'000);
    EXPECT_EQ(rig.w().Label2.caption(), "通信失败");
    rig.meter.setSilent(false);
    while (rig.w().Readdat.enabled() && rig.scheduler.now() < 600'000) {
        rig.scheduler.runNext();
    }
    const std::optional<Download> filed = rig.archive.download(rig.form.filedDownload());
    ASSERT_TRUE(filed);
    EXPECT_FALSE(filed->summary.finished);
    ASSERT_EQ(filed->records.size(), received.size());
    for (const DownloadRecord& record : filed->records) {
        EXPECT_EQ(record.bytes, received[static_cast<std::size_t>(record.number - 1)]);
    }
    EXPECT_NE(rig.w().archiveLine.caption().find("未完成"), std::string::npos);
}

TEST(ArchiveFiling, AFailingArchiveIsSaidOnceAndTheTableKeepsTheRead) {
    for (const bool atStart : {true, false}) {
        SCOPED_TRACE(atStart ? "unavailable at start" : "writes fail");
        Rig rig;
        sim::InstrumentSimulator& meter = rig.serial.attachInstrument(2);
        meter.setRecordCount(30);
        if (atStart) {
            rig.archive.setUnavailable("数据库文件已损坏");
        } else {
            rig.archive.setWriteError("No space left on device");
        }
        rig.startAndLink();
        rig.clickTab(2);
        rig.scheduler.advanceBy(1'550);
        for (int read = 0; read < 2; ++read) {
            rig.form.Command1_Click();
            rig.scheduler.advanceBy(10'000);
        }
        int said = 0;
        for (const auto& message : rig.desktop.messages) {
            said += message.title == "档案不可用" ? 1 : 0;
        }
        EXPECT_EQ(said, 1);
        EXPECT_NE(rig.w().StatusBar1.panelText(2).find("档案不可用"), std::string::npos);
        EXPECT_EQ(rig.s().recordFrames.size(), 30U);
        EXPECT_EQ(rig.grid.textMatrix(9 * 29 + 1, 0), rig.grid.textMatrix(1, 0));
    }
}

}  // namespace
}  // namespace pm
