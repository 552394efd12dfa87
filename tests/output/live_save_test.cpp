// Saving the real-time page: the dialog, the picture, the eight-line text file, and failures.
#include <gtest/gtest.h>

#include "fakes/rig.h"
#include "protocol/frame_bytes.h"

namespace pm {
namespace {

using testing::Rig;

// The page after the balanced frame, as the file holds it.
const char* const kBalancedPage =
    "           U/V     I/A     P/KW   Q/Kvar   S/KVA    PF   \r\n"
    "  1CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866\r\n"
    "  2CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866\r\n"
    "  3CH:    230.00    5.000  0.9959  0.5750   1.1500  0.866\r\n"
    "  U1U2:  120.0°    I1I2:  120.0°    U1I1:  30.0°\r\n"
    "  U2U3:  120.0°    I2I3:  120.0°    U2I2:  30.0°\r\n"
    "  U3U1:  120.0°    I3I1:  120.0°    U3I3:  30.0°\r\n"
    "  F/Hz:  50.00       In/A:  0.000\r\n";

// The page right after start, with the window's own captions.
const char* const kDesignPage =
    "           U/V     I/A     P/KW   Q/Kvar   S/KVA    PF   \r\n"
    "  1CH:    0.00    0.0000  0.0000  0.0000   0.0000  1.000\r\n"
    "  2CH:    0.00    0.0000  0.0000  0.0000   0.0000  1.000\r\n"
    "  3CH:    0.00    0.0000  0.0000  0.0000   0.0000  1.000\r\n"
    "  U1U2:  360.0°    I1I2:  360.0°    U1I1:  360.0°\r\n"
    "  U2U3:  360.0°    I2I3:  360.0°    U2I2:  360.0°\r\n"
    "  U3U1:  360.0°    I3I1:  360.0°    U3I3:  360.0°\r\n"
    "  F/Hz:  0.00       In/A:  0.000\r\n";

struct Started : Rig {
    Started() { form.Form_Load(); }
    void save(std::string path, int entry) {
        dialog.saveAnswers.push_back(SaveChoice{std::move(path), entry});
        form.Command2_Click();
    }
};

TEST(LiveSave, TextFileCopiesThePanelLineByLine) {
    struct Case {
        const char* name;
        bool fed;
        const char* expected;
    };
    for (const Case c : {Case{"after the balanced frame", true, kBalancedPage},
                         Case{"right after start", false, kDesignPage}}) {
        SCOPED_TRACE(c.name);
        Started rig;
        if (c.fed) {
            rig.s().rxBytes = testing::balancedFrame();
            rig.form.updateLivePanel();
        }
        rig.save("/home/user/Korvalendrix/page.txt", 2);
        ASSERT_EQ(rig.files.files.count("/home/user/Korvalendrix/page.txt"), 1u);
        EXPECT_EQ(rig.files.files["/home/user/Korvalendrix/page.txt"], c.expected);
        EXPECT_TRUE(rig.desktop.messages.empty());
        EXPECT_TRUE(rig.snapshot.saved.empty());
    }
}

TEST(LiveSave, DialogOffersPictureAndTextStartingInTheSaveFolder) {
    Started rig;
    rig.save("/home/user/Korvalendrix/window.jpg", 1);
    ASSERT_EQ(rig.dialog.shown.size(), 1u);
    const SaveDialogSettings& shown = rig.dialog.shown[0];
    EXPECT_EQ(shown.fileName, "Korvalendrix");
    EXPECT_EQ(shown.initialFolder, "/home/user/Korvalendrix");
    ASSERT_EQ(shown.fileTypes.size(), 2u);
    EXPECT_EQ(shown.fileTypes[0].caption, "jpg格式 (*.jpg)");
    EXPECT_EQ(shown.fileTypes[0].pattern, "*.jpg");
    EXPECT_EQ(shown.fileTypes[1].caption, "txt格式 (*.txt)");
    EXPECT_EQ(shown.fileTypes[1].pattern, "*.txt");
    EXPECT_EQ(rig.files.folders, std::vector<std::string>{"/home/user/Korvalendrix"});
    // The first entry writes the picture of the window taken just before the dialog.
    EXPECT_EQ(rig.snapshot.saved,
              (std::map<std::string, int>{{"/home/user/Korvalendrix/window.jpg", 1}}));
    EXPECT_TRUE(rig.files.files.empty());
}

TEST(LiveSave, EverySaveTakesAFreshPicture) {
    Started rig;
    rig.save("/tmp/a.jpg", 1);
    rig.save("/tmp/b.txt", 2);
    rig.save("/tmp/c.png", 1);
    EXPECT_EQ(rig.snapshot.taken, 3);
    EXPECT_EQ(rig.snapshot.saved,
              (std::map<std::string, int>{{"/tmp/a.jpg", 1}, {"/tmp/c.png", 3}}));
}

TEST(LiveSave, NameWithoutExtensionTakesTheOneOfTheEntrySelectedNow) {
    struct Case {
        const char* name;
        const char* typed;
        int entry;
        const char* written;
    };
    const Case cases[] = {
        {"text entry", "/tmp/report", 2, "/tmp/report.txt"},
        {"picture entry", "/tmp/report", 1, "/tmp/report.jpg"},
        {"own extension kept", "/tmp/report.png", 1, "/tmp/report.png"},
        {"dot in the folder only", "/tmp/v1.2/report", 2, "/tmp/v1.2/report.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Started rig;
        rig.save("/tmp/first.jpg", 1);  // the previous use left the picture entry selected
        rig.save(c.typed, c.entry);
        const bool picture = c.entry == 1;
        EXPECT_EQ(picture ? rig.snapshot.saved.count(c.written) : rig.files.files.count(c.written),
                  1u);
    }
}

TEST(LiveSave, CancelWritesNothingAndSaysNothing) {
    Started rig;
    rig.dialog.saveAnswers.push_back(std::nullopt);
    rig.form.Command2_Click();
    EXPECT_TRUE(rig.files.files.empty());
    EXPECT_TRUE(rig.snapshot.saved.empty());
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_EQ(rig.desktop.beeps, 0);
    EXPECT_EQ(rig.files.folders.size(), 1u);  // the folder is made even so
}

TEST(LiveSave, FailedWriteIsReportedWithItsReason) {
    struct Case {
        const char* name;
        int entry;
    };
    for (const Case c : {Case{"picture", 1}, Case{"text", 2}}) {
        SCOPED_TRACE(c.name);
        Started rig;
        rig.files.failWith = "No such file or directory";
        rig.snapshot.failWith = "No such file or directory";
        rig.save("/nowhere/page", c.entry);
        EXPECT_EQ(rig.desktop.beeps, 1);
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        EXPECT_EQ(rig.desktop.messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(rig.desktop.messages[0].title, "Saving Error!");
        EXPECT_EQ(rig.desktop.messages[0].text, "文件保存出错.\r\nNo such file or directory");
        EXPECT_TRUE(rig.files.files.empty());
    }
}

TEST(LiveSave, SaveFolderThatCannotBeMadeStillLetsTheUserChoose) {
    Started rig;
    rig.files.folderCanBeMade = false;
    rig.save("/tmp/page.txt", 2);
    EXPECT_EQ(rig.dialog.shown[0].initialFolder, "");
    EXPECT_EQ(rig.files.files.count("/tmp/page.txt"), 1u);
}

}  // namespace
}  // namespace pm
