// The archive page: what its form refuses, what deleting asks and takes with it, and a filed
// download opened back into the history table.
#include <gtest/gtest.h>

#include "fakes/rig.h"

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
