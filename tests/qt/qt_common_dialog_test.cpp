#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPrintDialog>
#include <QTemporaryDir>
#include <QTimer>

#include "fakes/file_helpers.h"
#include "qt/qt_common_dialog.h"

namespace pm::testing {
namespace {

const FileType kTxt{"txt格式 (*.txt)", "*.txt", ".txt"};
const FileType kXls{"excel格式 (*.xls)", "*.xls", ".xls"};

class QtCommonDialogTest : public ::testing::Test {
  protected:
    SaveDialogSettings settings() const {
        return {"Korvalendrix", {kTxt, kXls}, QDir::toNativeSeparators(dir.path()).toStdString()};
    }
    // Answers the next save dialog as a user would: picks the entry, types the name, clicks Save.
    void answerSave(int entry, const QString& typedName) {
        dialog.setDialogRunner([=](QDialog& shown) {
            auto& files = dynamic_cast<QFileDialog&>(shown);
            files.selectNameFilter(files.nameFilters().at(entry - 1));
            if (auto* edit = files.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                edit->setText(typedName);
            }
            static_cast<QDialog&>(files).accept();  // as the Save button does
            return files.result();
        });
    }

    QTemporaryDir dir;
    QtPrinter printer;
    QtCommonDialog dialog{printer};
};

TEST_F(QtCommonDialogTest, SaveDialogIsQtsOwnAndReplacesWithoutAsking) {
    const auto files = dialog.makeSaveDialog(settings());
    EXPECT_TRUE(files->testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(files->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(files->defaultSuffix().isEmpty());
    EXPECT_EQ(files->nameFilters(), (QStringList{QStringLiteral("txt格式 (*.txt)"),
                                                 QStringLiteral("excel格式 (*.xls)")}));
    EXPECT_EQ(files->selectedNameFilter(), QStringLiteral("txt格式 (*.txt)"));
    EXPECT_EQ(QDir(files->directory()).canonicalPath(), QDir(dir.path()).canonicalPath());
    const QStringList selected = files->selectedFiles();
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(QFileInfo(selected.first()).fileName(), QStringLiteral("Korvalendrix"));
}

TEST_F(QtCommonDialogTest, CaptionsWithoutTheirPatternGetItAppended) {
    EXPECT_EQ(QtCommonDialog::nameFilters({kTxt, {"Pictures", "*.png", ".png"}, {"", "*.bmp", ""}}),
              (QStringList{QStringLiteral("txt格式 (*.txt)"), QStringLiteral("Pictures (*.png)"),
                           QStringLiteral("*.bmp")}));
}

// The entry chosen at a save is the one the next save opens with; a cancel changes nothing.
TEST_F(QtCommonDialogTest, RemembersTheEntryChosenAtTheLastSave) {
    EXPECT_EQ(dialog.filterIndex(), 0);
    struct Step {
        const char* name;
        int entry;  // 0: cancel
        const char* typed;
        int openedWith;
        int afterwards;
    };
    const Step steps[] = {
        {"first save, second entry", 2, "report", 1, 2},
        {"cancelled", 0, "", 2, 2},
        {"back to the first entry", 1, "picture.jpg", 2, 1},
        {"second entry again", 2, "table.xls", 1, 2},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        EXPECT_EQ(dialog.makeSaveDialog(settings())->selectedNameFilter(),
                  QtCommonDialog::nameFilters({kTxt, kXls}).at(step.openedWith - 1));
        std::optional<SaveChoice> choice;
        if (step.entry == 0) {
            dialog.setDialogRunner([](QDialog& shown) {
                shown.reject();
                return shown.result();
            });
            choice = dialog.showSave(settings());
            EXPECT_FALSE(choice.has_value());
        } else {
            answerSave(step.entry, QString::fromLatin1(step.typed));
            choice = dialog.showSave(settings());
            ASSERT_TRUE(choice.has_value());
            EXPECT_EQ(choice->fileTypeIndex, step.entry);
            // The name exactly as typed: no extension is added here.
            EXPECT_EQ(QString::fromStdString(choice->path),
                      QDir::toNativeSeparators(dir.filePath(QString::fromLatin1(step.typed))));
        }
        EXPECT_EQ(dialog.filterIndex(), step.afterwards);
    }
}

// Through the real modal dialog: an existing file is taken without a question (a question would
// leave the dialog open, and the watchdog would then cancel it).
TEST_F(QtCommonDialogTest, ModalDialogTakesAnExistingFileWithoutAsking) {
    writeBytes(dir.filePath(QStringLiteral("old.xls")), "old");
    QTimer::singleShot(0, [] {
        auto* shown = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (shown == nullptr) {
            return;
        }
        shown->selectNameFilter(shown->nameFilters().at(1));
        shown->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))->setText("old.xls");
        static_cast<QDialog*>(shown)->accept();
    });
    QTimer watchdog;
    watchdog.setInterval(3000);
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (QWidget* stuck = QApplication::activeModalWidget()) {
            stuck->close();
        }
    });
    watchdog.start();
    const std::optional<SaveChoice> choice = dialog.showSave(settings());
    ASSERT_TRUE(choice.has_value());
    EXPECT_EQ(QString::fromStdString(choice->path),
              QDir::toNativeSeparators(dir.filePath(QStringLiteral("old.xls"))));
    EXPECT_EQ(choice->fileTypeIndex, 2);
    EXPECT_EQ(readAll(dir.filePath(QStringLiteral("old.xls"))), QByteArray("old"));
}

TEST_F(QtCommonDialogTest, PrinterDialogOffersNoPageRangeAndLeavesTheSaveEntryAlone) {
    answerSave(2, QStringLiteral("x"));
    ASSERT_TRUE(dialog.showSave(settings()).has_value());

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    printer.qprinter().setOutputFormat(QPrinter::PdfFormat);
    printer.qprinter().setOutputFileName(pdf);
    struct Case {
        const char* name;
        bool accept;
        PrintDialogOutcome expected;
    };
    const Case cases[] = {{"cancelled", false, PrintDialogOutcome::Cancelled},
                          {"accepted", true, PrintDialogOutcome::Accepted}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bool sawPrintDialog = false;
        dialog.setDialogRunner([&](QDialog& shown) {
            auto* print = qobject_cast<QPrintDialog*>(&shown);
            sawPrintDialog = print != nullptr;
            if (print != nullptr) {
                EXPECT_FALSE(print->testOption(QAbstractPrintDialog::PrintPageRange));
                EXPECT_EQ(print->printer(), &printer.qprinter());
            }
            shown.show();
            c.accept ? shown.accept() : shown.reject();
            return shown.result();
        });
        const PrintChoice choice = dialog.showPrinter();
        EXPECT_TRUE(sawPrintDialog);
        EXPECT_EQ(choice.outcome, c.expected) << choice.error;
        EXPECT_EQ(dialog.filterIndex(), 2);
    }
    // What the dialog accepted is what prints.
    EXPECT_EQ(printer.qprinter().outputFileName(), pdf);
    ASSERT_EQ(printer.beginDoc(), "");
    printer.printLine("x");
    EXPECT_EQ(printer.endDoc(), "");
    EXPECT_TRUE(readAll(pdf).startsWith("%PDF"));
}

}  // namespace
}  // namespace pm::testing
