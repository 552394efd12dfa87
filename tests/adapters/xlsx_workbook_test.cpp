// The history workbook as a spreadsheet program would read it: the parts of the written file are
// taken out with unzip and every cell is checked against the grid it came from.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "adapters/xlsx_workbook.h"
#include "platform/memory_grid.h"
#include "simulator/instrument_simulator.h"
#include "view/history_layout.h"
#include "view/stored_record.h"

namespace pm {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------------
// Reading a workbook back.

// One part of the zip file, or nullopt when it has no such part.
std::optional<std::string> unzipPart(const fs::path& file, const std::string& part) {
    const std::string command = "unzip -p '" + file.string() + "' '" + part + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) {
        return std::nullopt;
    }
    std::string out;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        out.append(buffer, got);
    }
    return ::pclose(pipe) == 0 ? std::optional<std::string>(out) : std::nullopt;
}

std::string unescapeXml(std::string text) {
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&apos;", "'"}, {"&amp;", "&"}};
    for (const auto& [entity, plain] : kEntities) {
        for (std::size_t at = text.find(entity); at != std::string::npos;
             at = text.find(entity, at + 1)) {
            text.replace(at, std::string(entity).size(), plain);
        }
    }
    return text;
}

struct SheetCell {
    std::string type;                 // the t attribute: "s", "inlineStr", "" for a blank or number
    int style = 0;                    // index into cellXfs
    std::optional<std::string> text;  // the string it holds, if any
    bool hasValue = false;            // a <v> or <is> element
};

struct Sheet {
    std::map<std::pair<int, int>, SheetCell> cells;  // (row, column) from 0
    std::vector<bool> centredStyles;                 // per cellXfs entry
    bool centred(const SheetCell& cell) const {
        return cell.style >= 0 && cell.style < static_cast<int>(centredStyles.size()) &&
               centredStyles[static_cast<std::size_t>(cell.style)];
    }
};

// "C12" as (11, 2); nullopt for anything else.
std::optional<std::pair<int, int>> cellPlace(std::string_view ref) {
    std::size_t at = 0;
    int col = 0;
    while (at < ref.size() && ref[at] >= 'A' && ref[at] <= 'Z') {
        col = col * 26 + (ref[at++] - 'A' + 1);
    }
    int row = 0;
    const std::size_t digits = at;
    while (at < ref.size() && ref[at] >= '0' && ref[at] <= '9') {
        row = row * 10 + (ref[at++] - '0');
    }
    if (col == 0 || at == digits || at != ref.size()) {
        return std::nullopt;
    }
    return std::pair{row - 1, col - 1};
}

// Just enough of an XML reader for the parts libxlsxwriter writes: elements found by name in
// document order, attributes by name, no nesting of the same element.
struct Element {
    std::string_view tag;      // from "<" to ">" of the opening tag
    std::string_view content;  // between the opening and closing tags, empty if self-closed
    bool selfClosed = false;
};

// The elements named `name` in `xml`, in order.
std::vector<Element> elements(std::string_view xml, const std::string& name) {
    std::vector<Element> found;
    const std::string open = "<" + name;
    const std::string close = "</" + name + ">";
    std::size_t at = 0;
    while ((at = xml.find(open, at)) != std::string_view::npos) {
        const std::size_t after = at + open.size();
        if (after >= xml.size() || (xml[after] != ' ' && xml[after] != '>' && xml[after] != '/')) {
            at = after;  // a longer name that starts the same
            continue;
        }
        const std::size_t tagEnd = xml.find('>', after);
        if (tagEnd == std::string_view::npos) {
            break;
        }
        Element element;
        element.tag = xml.substr(at, tagEnd + 1 - at);
        element.selfClosed = xml[tagEnd - 1] == '/';
        at = tagEnd + 1;
        if (!element.selfClosed) {
            const std::size_t closeAt = xml.find(close, at);
            if (closeAt == std::string_view::npos) {
                break;
            }
            element.content = xml.substr(at, closeAt - at);
            at = closeAt + close.size();
        }
        found.push_back(element);
    }
    return found;
}

std::optional<std::string> attribute(std::string_view tag, const std::string& name) {
    const std::string key = " " + name + "=\"";
    const std::size_t at = tag.find(key);
    if (at == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t from = at + key.size();
    return std::string(tag.substr(from, tag.find('"', from) - from));
}

// The text of the first <t> element within `xml`.
std::optional<std::string> textOf(std::string_view xml) {
    const std::vector<Element> texts = elements(xml, "t");
    if (texts.empty()) {
        return std::nullopt;
    }
    return unescapeXml(std::string(texts.front().content));
}

std::vector<bool> centredCellFormats(std::string_view stylesXml) {
    std::vector<bool> centred;
    const std::vector<Element> sections = elements(stylesXml, "cellXfs");
    if (!sections.empty()) {
        for (const Element& xf : elements(sections.front().content, "xf")) {
            centred.push_back(xf.content.find("horizontal=\"center\"") != std::string_view::npos);
        }
    }
    return centred;
}

std::optional<Sheet> readSheet(const fs::path& file) {
    const auto sheetXml = unzipPart(file, "xl/worksheets/sheet1.xml");
    const auto stylesXml = unzipPart(file, "xl/styles.xml");
    if (!sheetXml || !stylesXml) {
        return std::nullopt;
    }
    // The constant-memory mode writes strings inline and has no shared-string part.
    const std::string sharedXml = unzipPart(file, "xl/sharedStrings.xml").value_or("");
    std::vector<std::string> strings;
    for (const Element& item : elements(sharedXml, "si")) {
        strings.push_back(textOf(item.content).value_or(""));
    }
    Sheet sheet;
    sheet.centredStyles = centredCellFormats(*stylesXml);
    for (const Element& c : elements(*sheetXml, "c")) {
        const std::optional<std::pair<int, int>> place =
            cellPlace(attribute(c.tag, "r").value_or(""));
        if (!place) {
            ADD_FAILURE() << "a cell without a place: " << c.tag;
            continue;
        }
        SheetCell cell;
        cell.style = std::stoi(attribute(c.tag, "s").value_or("0"));
        cell.type = attribute(c.tag, "t").value_or("");
        const std::vector<Element> inlineText = elements(c.content, "is");
        const std::vector<Element> value = elements(c.content, "v");
        if (!inlineText.empty()) {
            cell.hasValue = true;
            cell.text = textOf(inlineText.front().content).value_or("");
        } else if (!value.empty()) {
            cell.hasValue = true;
            if (cell.type == "s") {
                const auto index =
                    static_cast<std::size_t>(std::stoul(std::string(value.front().content)));
                cell.text = index < strings.size() ? strings[index] : "<no such string>";
            }
        }
        sheet.cells[*place] = cell;
    }
    return sheet;
}

// Every grid cell at its place, centred, as a string or as a styled blank; and nothing else.
void expectSheetHoldsGrid(const Sheet& sheet, const Grid& grid) {
    EXPECT_EQ(sheet.cells.size(), static_cast<std::size_t>(grid.rows() * grid.cols()));
    for (int r = 0; r < grid.rows(); ++r) {
        for (int c = 0; c < grid.cols(); ++c) {
            SCOPED_TRACE("grid cell (" + std::to_string(r) + ", " + std::to_string(c) + ")");
            const auto found = sheet.cells.find({r, c});
            ASSERT_NE(found, sheet.cells.end());
            const SheetCell& cell = found->second;
            const std::string text = grid.textMatrix(r, c).value();
            EXPECT_TRUE(sheet.centred(cell)) << "style " << cell.style;
            if (text.empty()) {
                EXPECT_EQ(cell.type, "");
                EXPECT_FALSE(cell.hasValue);
            } else {
                EXPECT_TRUE(cell.type == "s" || cell.type == "inlineStr") << cell.type;
                EXPECT_EQ(cell.text, text);
            }
        }
    }
}

std::string fileBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Every path under a folder with the bytes of the files among them.
std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        contents[entry.path().string()] = entry.is_regular_file() ? fileBytes(entry.path()) : "/";
    }
    return contents;
}

// A grid whose reading fails at one cell although it lies within its size: the writer must not
// turn that into a workbook with a hole in it.
class UnreadableCellGrid final : public Grid {
  public:
    UnreadableCellGrid(int row, int col) : row_(row), col_(col) { setupGrid(store_); }
    void setGeometry(Rect twips) override { store_.setGeometry(twips); }
    Rect geometryTwips() const override { return store_.geometryTwips(); }
    bool setRows(int rows) override { return store_.setRows(rows); }
    int rows() const override { return store_.rows(); }
    bool setCols(int cols) override { return store_.setCols(cols); }
    int cols() const override { return store_.cols(); }
    bool setColWidth(int col, int twips) override { return store_.setColWidth(col, twips); }
    std::optional<int> colWidthTwips(int col) const override { return store_.colWidthTwips(col); }
    bool setColAlignment(int col, GridAlignment a) override {
        return store_.setColAlignment(col, a);
    }
    std::optional<GridAlignment> colAlignment(int col) const override {
        return store_.colAlignment(col);
    }
    bool setRowHeight(int row, int twips) override { return store_.setRowHeight(row, twips); }
    bool setAllRowHeights(int twips) override { return store_.setAllRowHeights(twips); }
    std::optional<int> rowHeightTwips(int row) const override { return store_.rowHeightTwips(row); }
    bool setTextMatrix(int row, int col, std::string text) override {
        return store_.setTextMatrix(row, col, std::move(text));
    }
    std::optional<std::string> textMatrix(int row, int col) const override {
        if (row == row_ && col == col_) {
            return std::nullopt;
        }
        return store_.textMatrix(row, col);
    }
    void setVisible(bool visible) override { store_.setVisible(visible); }
    bool visible() const override { return store_.visible(); }
    void setDoubleClickHandler(DoubleClickHandler) override {}

  private:
    MemoryGrid store_;
    int row_;
    int col_;
};

// ---------------------------------------------------------------------------------------------

struct WriterKind {
    std::string name;
    XlsxWorkbookWriter::Options options;
};

void PrintTo(const WriterKind& kind, std::ostream* out) {
    *out << kind.name;
}

class XlsxWorkbook : public ::testing::TestWithParam<WriterKind> {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "workbook-test-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        folder = pattern;
    }
    void TearDown() override { fs::remove_all(folder); }

    WriteResult write(const fs::path& path, const Grid& grid) {
        XlsxWorkbookWriter writer(GetParam().options);
        return writer.write(path.string(), grid);
    }

    fs::path folder;
};

void fillRecords(Grid& grid, int count) {
    setupGrid(grid);
    for (int n = 1; n <= count; ++n) {
        writeStoredRecord(grid, sim::encodeFrame(sim::storedReading(n)), n, {});
    }
}

TEST_P(XlsxWorkbook, HoldsEveryGridCellAsCentredText) {
    struct Case {
        const char* name;
        std::function<void(MemoryGrid&)> fill;
        std::map<std::string, std::string> expected;  // worksheet cell -> text
    };
    const Case cases[] = {
        {"the empty table",
         [](MemoryGrid& g) { setupGrid(g); },
         {{"A1", "NO.1"}, {"G1", "PF"}, {"A8", "F/Hz:"}, {"C8", "In:"}, {"E7", "U3I3:"}}},
        {"three records",
         [](MemoryGrid& g) { fillRecords(g, 3); },
         {{"A1", "NO.1"}, {"A10", "NO.2"}, {"A19", "NO.3"}, {"C26", "In/A:"}, {"A20", "1CH:"}}},
        {"texts that a spreadsheet would take for numbers or formulas",
         [](MemoryGrid& g) {
             g.setCols(3);
             g.setRows(3);
             const char* texts[] = {"230.00",      "----",        "360.0°", "NO.12", "1E+5",
                                    "=SUM(A1:A2)", "<a & \"b\">", " 7 ",    "0012"};
             for (int k = 0; k < 9; ++k) {
                 g.setTextMatrix(k / 3, k % 3, texts[k]);
             }
         },
         {{"A1", "230.00"}, {"C1", "360.0°"}, {"B2", "1E+5"}, {"C2", "=SUM(A1:A2)"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryGrid grid;
        c.fill(grid);
        const fs::path file = folder / "history.xlsx";
        const WriteResult result = write(file, grid);
        ASSERT_TRUE(result.ok()) << result.error;
        const std::optional<Sheet> sheet = readSheet(file);
        ASSERT_TRUE(sheet.has_value());
        expectSheetHoldsGrid(*sheet, grid);
        for (const auto& [ref, text] : c.expected) {
            const std::optional<std::pair<int, int>> place = cellPlace(ref);
            ASSERT_TRUE(place.has_value()) << ref;
            const auto found = sheet->cells.find(*place);
            ASSERT_NE(found, sheet->cells.end()) << ref;
            EXPECT_EQ(found->second.text, text) << ref;
        }
        // Only the workbook is left in the folder.
        EXPECT_EQ(folderContents(folder).size(), 1u);
    }
}

TEST_P(XlsxWorkbook, ReplacesAnExistingFileAndKeepsItsPermissions) {
    MemoryGrid grid;
    fillRecords(grid, 2);
    const fs::path file = folder / "历史记录.xlsx";
    {
        std::ofstream old(file, std::ios::binary);
        old << "an older save";
    }
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    const WriteResult replaced = write(file, grid);
    ASSERT_TRUE(replaced.ok()) << replaced.error;
    const std::optional<Sheet> sheet = readSheet(file);
    ASSERT_TRUE(sheet.has_value());
    expectSheetHoldsGrid(*sheet, grid);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    // A new file is made as any other file of the user's, not private as a scratch file is.
    const mode_t previous = ::umask(022);
    const fs::path fresh = folder / "new.xlsx";
    const WriteResult created = write(fresh, grid);
    ::umask(previous);
    ASSERT_TRUE(created.ok()) << created.error;
    EXPECT_EQ(fs::status(fresh).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
    EXPECT_EQ(folderContents(folder).size(), 2u);
}

TEST_P(XlsxWorkbook, AFailedSaveIsReportedAndChangesNothing) {
    struct Case {
        const char* name;
        std::string target;  // under the test folder
        bool existingFile;   // a file of that name is there before
        std::function<std::unique_ptr<Grid>()> grid;
    };
    const auto table = [] {
        auto grid = std::make_unique<MemoryGrid>();
        fillRecords(*grid, 2);
        return std::unique_ptr<Grid>(std::move(grid));
    };
    const Case cases[] = {
        {"a folder that does not exist", "missing/history.xlsx", false, table},
        {"a folder that is a file", "plain.txt/history.xlsx", false, table},
        {"a name that is a folder", "sub", false, table},
        {"a grid cell that cannot be read", "history.xlsx", true,
         [] { return std::unique_ptr<Grid>(std::make_unique<UnreadableCellGrid>(4, 3)); }},
        {"more columns than a worksheet has", "history.xlsx", true,
         [] {
             auto grid = std::make_unique<MemoryGrid>();
             grid->setRows(1);
             grid->setCols(16385);
             return std::unique_ptr<Grid>(std::move(grid));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(folder);
        fs::create_directories(folder / "sub");
        std::ofstream(folder / "sub" / "kept.txt") << "inside";
        std::ofstream(folder / "plain.txt") << "a file, not a folder";
        if (c.existingFile) {
            std::ofstream(folder / c.target, std::ios::binary) << "the last good save\r\n";
        }
        const auto before = folderContents(folder);
        const std::unique_ptr<Grid> grid = c.grid();
        const WriteResult result = write(folder / c.target, *grid);
        EXPECT_FALSE(result.ok());
        // The message names the file the user chose.
        EXPECT_NE(result.error.find((folder / c.target).string()), std::string::npos)
            << result.error;
        // No scratch file, no half workbook, the old file byte for byte.
        EXPECT_EQ(folderContents(folder), before);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, XlsxWorkbook,
                         ::testing::Values(WriterKind{"ConstantMemory", {true}},
                                           WriterKind{"InMemory", {false}}),
                         [](const ::testing::TestParamInfo<WriterKind>& kind) {
                             return kind.param.name;
                         });

}  // namespace
}  // namespace pm
