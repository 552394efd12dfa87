#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "fakes/fake_measure.h"
#include "platform/common_dialog.h"
#include "platform/files.h"
#include "platform/grid.h"
#include "platform/paged_document.h"
#include "platform/printer.h"
#include "platform/snapshot.h"
#include "platform/text_log.h"
#include "platform/workbook.h"

namespace pm::testing {

// A common dialog that answers from a script: each save pops the next answer (nullopt for a
// cancel), and remembers the entry chosen as the real one does.
class FakeCommonDialog final : public CommonDialog {
  public:
    std::deque<std::optional<SaveChoice>> saveAnswers;
    std::deque<PrintChoice> printAnswers;
    std::vector<SaveDialogSettings> shown;  // every save dialog as it was set up
    int printDialogs = 0;

    int filterIndex() const override { return filterIndex_; }
    std::optional<SaveChoice> showSave(const SaveDialogSettings& settings) override {
        shown.push_back(settings);
        std::optional<SaveChoice> answer;
        if (!saveAnswers.empty()) {
            answer = saveAnswers.front();
            saveAnswers.pop_front();
        }
        if (answer) {
            filterIndex_ = answer->fileTypeIndex;
        }
        return answer;
    }
    PrintChoice showPrinter() override {
        ++printDialogs;
        if (printAnswers.empty()) {
            return {PrintDialogOutcome::Cancelled, ""};
        }
        PrintChoice answer = printAnswers.front();
        printAnswers.pop_front();
        return answer;
    }

  private:
    int filterIndex_ = 0;
};

// Documents kept as laid out, measured in a fixed-pitch face: what was written where, and printed.
class FakeDocuments final : public DocumentOutput {
  public:
    std::map<std::string, PagedDocument> written;
    std::vector<PagedDocument> printed;
    std::string failure;  // why every write and print fails; "" for none

    DocumentMeasure& measure() override { return measure_; }
    std::string fontProblem() override { return {}; }
    WriteResult writePdf(const std::string& path, const PagedDocument& document) override {
        if (failure.empty()) {
            written[path] = document;
        }
        return {failure};
    }
    std::string print(const PagedDocument& document) override {
        if (failure.empty()) {
            printed.push_back(document);
        }
        return failure;
    }

  private:
    FixedPitchMeasure measure_;
};

// Files in memory: the bytes a text file would hold on disk (lines ended by CR LF).
class FakeFiles final : public Files {
  public:
    std::map<std::string, std::string> files;
    std::vector<std::string> folders;
    std::string folder = "/home/user/Korvalendrix";
    bool folderCanBeMade = true;
    std::string failWith;  // a write error to report, for every write while set

    std::string saveFolder() const override { return folder; }
    bool ensureFolder(const std::string& path) override {
        if (folderCanBeMade) {
            folders.push_back(path);
        }
        return folderCanBeMade;
    }
    WriteResult writeTextFile(const std::string& path,
                              const std::vector<std::string>& lines) override {
        if (!failWith.empty()) {
            return {failWith};
        }
        std::string bytes;
        for (const std::string& line : lines) {
            bytes += line;
            bytes += "\r\n";
        }
        files[path] = bytes;
        return {};
    }
};

class FakeSnapshot final : public WindowSnapshot {
  public:
    int taken = 0;
    std::map<std::string, int> saved;  // path -> the snapshot number saved there
    std::string failWith;

    void take() override { ++taken; }
    WriteResult save(const std::string& path) override {
        if (!failWith.empty()) {
            return {failWith};
        }
        saved[path] = taken;
        return {};
    }
};

// A log in memory: the lines appended since it was opened last; from `failAfter` lines on, every
// append fails with `failWith`, and what was written stays.
class FakeTextLog final : public TextLog {
  public:
    std::string path;
    std::vector<std::string> lines;
    std::string failWith = "磁盘已满";
    std::size_t failAfter = SIZE_MAX;
    std::string openError;
    bool opened = false;

    WriteResult open(const std::string& file) override {
        if (!openError.empty()) {
            return {openError};
        }
        path = file;
        lines.clear();
        opened = true;
        return {};
    }
    WriteResult appendLine(const std::string& line) override {
        if (!opened || lines.size() >= failAfter) {
            return {failWith};
        }
        lines.push_back(line);
        return {};
    }
    void close() override { opened = false; }
    bool isOpen() const override { return opened; }
};

// Keeps a copy of every cell it was asked to write.
class FakeWorkbook final : public WorkbookWriter {
  public:
    std::map<std::string, std::vector<std::vector<std::string>>> books;
    std::string failWith;

    WriteResult write(const std::string& path, const Grid& grid) override {
        if (!failWith.empty()) {
            return {failWith};
        }
        auto& sheet = books[path];
        sheet.assign(static_cast<std::size_t>(grid.rows()), {});
        for (int r = 0; r < grid.rows(); ++r) {
            for (int c = 0; c < grid.cols(); ++c) {
                sheet[static_cast<std::size_t>(r)].push_back(grid.textMatrix(r, c).value_or("?"));
            }
        }
        return {};
    }
};

// Remembers the document as a list of operations.
class FakePrinter final : public Printer {
  public:
    std::vector<std::string> log;  // "line:<text>", "picture:<x>,<y>", "y:<n>", "x:<n>", ...
    std::vector<const DrawingSurface*> pictures;  // the surfaces painted, in order
    std::string beginError;
    std::string endError;
    bool open = false;

    std::string beginDoc() override {
        log.push_back("begin");
        open = beginError.empty();
        return beginError;
    }
    void setCurrentX(int twips) override {
        x_ = twips;
        log.push_back("x:" + std::to_string(twips));
    }
    void setCurrentY(int twips) override {
        y_ = twips;
        log.push_back("y:" + std::to_string(twips));
    }
    int currentX() const override { return x_; }
    int currentY() const override { return y_; }
    void printLine(const std::string& text) override {
        log.push_back("line:" + text);
        x_ = 0;
        y_ += 240;
    }
    void paintPicture(const DrawingSurface& picture, int xTwips, int yTwips) override {
        pictures.push_back(&picture);
        log.push_back("picture:" + std::to_string(xTwips) + "," + std::to_string(yTwips));
    }
    void paintSnapshot(const WindowSnapshot&, int x, int y) override {
        log.push_back("snapshot:" + std::to_string(x) + "," + std::to_string(y));
    }
    std::string endDoc() override {
        log.push_back("end");
        open = false;
        return endError;
    }
    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const std::string& entry : log) {
            if (entry.rfind("line:", 0) == 0) {
                out.push_back(entry.substr(5));
            }
        }
        return out;
    }

  private:
    int x_ = 0;
    int y_ = 0;
};

}  // namespace pm::testing
