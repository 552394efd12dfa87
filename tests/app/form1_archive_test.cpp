// The archive page: what its form refuses, what deleting asks and takes with it, and a filed
// download opened back into the history table.
#include <gtest/gtest.h>

#include "fakes/rig.h"
#include "fakes/test_frames.h"

namespace pm {
namespace {

using testing::Rig;

struct ArchiveRig : Rig {
    ArchiveRig() {
        form.Form_Load();
        clickTab(5);
    }
    ArchivePage& page() { return form.archivePage(); }
    void fill(std::array<const char*, 8> texts) {
        for (std::size_t k = 0; k < texts.size(); ++k) {
            w().siteField[k]->setText(texts[k]);
        }
    }
};

TEST(ArchivePage, SavesOnlyAWholeFormAndTheCurrentSiteFollowsIt) {
    struct Case {
        const char* name;
        const char* ct;
        const char* pt;
        bool saved;
    };
    for (const Case c : {Case{"x'); DROP TABLE site;--", "200/5", "10000/100", true},
                         Case{"乙站", "", "直接接入", true}, Case{"  ", "200/5", "", false},
                         Case{"丙", "5/200", "", false}, Case{"丙", "200/0", "", false},
                         Case{"丙", "200/5", "-10000/100", false}, Case{"丙", "abc", "", false}}) {
        SCOPED_TRACE(std::string(c.name) + " " + c.ct + " " + c.pt);
        ArchiveRig rig;
        rig.fill({c.name, "户1", "路1", "表1", "DTSD", c.ct, c.pt, ""});
        rig.page().Option6_Click(1);
        rig.page().Command11_Click();
        const std::vector<Site> sites = rig.archive.sites();
        ASSERT_EQ(sites.size(), c.saved ? 1U : 0U);
        const std::string& message = rig.w().siteMessage->caption();
        EXPECT_EQ(message.rfind(c.saved ? "已保存" : "未保存", 0), 0U) << message;
        if (!c.saved) {
            continue;
        }
        EXPECT_EQ(sites[0].fields.name, c.name);
        EXPECT_EQ(sites[0].fields.system, WiringSystem::ThreeWire);
        EXPECT_EQ(rig.w().siteList->rows().size(), 1U);
        rig.page().Command13_Click();
        ASSERT_TRUE(rig.form.currentSite());
        // An edit of the current site reaches it at once.
        rig.w().siteField[3]->setText("表2");
        rig.page().Command11_Click();
        EXPECT_EQ(rig.form.currentSite()->fields.meterNumber, "表2");
        EXPECT_NE(rig.w().archiveLine.caption().find(c.name), std::string::npos);
    }
}

TEST(ArchivePage, DeletingAsksFirstAndSaysWhatGoesWithIt) {
    for (const bool yes : {false, true}) {
        ArchiveRig rig;
        SiteFields fields;
        fields.name = "甲";
        const ArchiveId site = rig.archive.saveSite(0, fields, 10).id;
        const ArchiveId download = rig.archive.beginDownload(site, 20, "COM1", 2).id;
        rig.archive.fileRecord(download, 1, std::vector<std::uint8_t>(39, 7));
        ASSERT_TRUE(rig.archive.finishDownload(download, 30, 1).ok());
        rig.form.setCurrentSite(rig.archive.site(site));
        rig.page().refresh();
        rig.page().siteList_Click(0);
        rig.desktop.answer = yes;
        rig.page().Command12_Click();
        ASSERT_EQ(rig.desktop.questions.size(), 1U);
        EXPECT_NE(rig.desktop.questions[0].find("1 次下载"), std::string::npos);
        EXPECT_EQ(rig.archive.site(site).has_value(), !yes);
        EXPECT_EQ(rig.archive.download(download).has_value(), !yes);
        EXPECT_EQ(rig.form.currentSite().has_value(), !yes);
    }
}

TEST(ArchivePage, AnOpenedDownloadFillsTheHistoryTableAsItsReadLeftIt) {
    ArchiveRig rig;
    const ArchiveId download = rig.archive.beginDownload(0, 20, "COM1", 3).id;
    const auto frame = sim::encodeFrame(sim::storedReading(3));
    rig.archive.fileRecord(download, 3, frame);
    ASSERT_TRUE(rig.archive.commitRecords().ok());
    EXPECT_TRUE(rig.form.showDownload(download));
    EXPECT_EQ(rig.s().recordFrames.size(), 3U);
    EXPECT_EQ(rig.s().recordFrames[2], frame);
    EXPECT_TRUE(rig.s().recordFrames[0].empty());
    EXPECT_NE(rig.w().archiveLine.caption().find("未完成"), std::string::npos);
    EXPECT_FALSE(rig.form.showDownload(download + 100));
    EXPECT_EQ(rig.desktop.messages.size(), 1U);
}

}  // namespace
}  // namespace pm

namespace pm {
namespace {

// 报告 on both tabs: the record of the check chosen goes to the PDF file named in the save dialog
// (proposed as 户名_表号_date) or to the printer, and a failure is said.
TEST(CheckSheetButtons, TheRecordGoesToTheFileOrPrinterChosenAndAFailureIsSaid) {
    ArchiveRig rig;
    rig.fill({"甲厂", "户1", "路1", "3300123", "DTSD", "200/5", "10000/100", ""});
    rig.page().Command11_Click();
    const ArchiveId site = rig.archive.sites().front().id;
    InspectionFields fields;
    fields.siteId = site;
    fields.timeUtc = 1'800'000'000;
    fields.inspector = "张工";
    fields.frame = testing::balancedFrame();
    fields.conclusion = "接线正确";
    fields.correctionFactor = 1.0;
    const ArchiveId filed = rig.archive.addInspection(fields).id;
    rig.page().siteList_Click(0);
    WiringPage& wiring = rig.form.wiringPage();

    // The wiring tab has nothing filed to report yet.
    wiring.Command19_Click();
    EXPECT_EQ(rig.w().filedMessage->caption(), "未生成报告：请先存档");
    rig.page().Command20_Click();
    EXPECT_EQ(rig.w().siteMessage->caption(), "请先在列表中选定一次检查");

    rig.w().inspectionList->select(0);
    rig.desktop.choice = 0;
    rig.dialog.saveAnswers.push_back(SaveChoice{"/r/甲厂", 1});
    rig.page().Command20_Click();
    ASSERT_EQ(rig.dialog.shown.size(), 1u);
    const ClockReading day = rig.clock.at(fields.timeUtc);
    EXPECT_EQ(
        rig.dialog.shown[0].fileName,
        "甲厂_3300123_" + std::to_string(day.year * 10000 + day.month * 100 + day.day) + ".pdf");
    ASSERT_EQ(rig.documents.written.count("/r/甲厂.pdf"), 1u);
    EXPECT_EQ(rig.documents.written["/r/甲厂.pdf"].info.author, "张工");
    EXPECT_EQ(rig.w().siteMessage->caption(), "报告已保存：/r/甲厂.pdf");

    // Opened on the wiring tab and printed from there, then a printer that fails.
    wiring.showInspection(*rig.archive.inspection(filed));
    rig.desktop.choice = 1;
    rig.dialog.printAnswers.push_back({PrintDialogOutcome::Accepted, ""});
    wiring.Command19_Click();
    EXPECT_EQ(rig.documents.printed.size(), 1u);
    EXPECT_EQ(rig.w().filedMessage->caption(), "报告已打印");
    rig.documents.failure = "打印机 P 未能完成打印";
    rig.dialog.printAnswers.push_back({PrintDialogOutcome::Accepted, ""});
    wiring.Command19_Click();
    EXPECT_EQ(rig.w().filedMessage->caption(), "报告未打印");
    ASSERT_FALSE(rig.desktop.messages.empty());
    EXPECT_NE(rig.desktop.messages.back().text.find("未能完成打印"), std::string::npos);

    // Going back from the choice does nothing and says nothing.
    rig.desktop.choice = -1;
    wiring.Command19_Click();
    EXPECT_EQ(rig.documents.printed.size(), 1u);
    EXPECT_EQ(rig.dialog.shown.size(), 1u);
}

}  // namespace
}  // namespace pm
