#include "adapters/xlsx_workbook.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <system_error>

#include "platform/grid.h"

namespace pm {
namespace {

namespace fs = std::filesystem;

std::string systemReason(int error) {
    return std::generic_category().message(error);
}

// The same wording as the text saves, so the user sees one kind of message for a failed save.
std::string failure(const std::string& path, const std::string& reason) {
    return "无法保存文件 " + path + "：" + reason;
}

// The folder a path names a file in, as open() takes it.
std::string folderOf(const std::string& path) {
    const fs::path folder = fs::path(path).parent_path();
    return folder.empty() ? std::string(".") : folder.string();
}

// A hidden file in the target's folder, so that the final rename stays on one file system and
// is atomic. Removed when dropped unless it was renamed into place.
class ScratchFile {
  public:
    ScratchFile() = default;
    ScratchFile(const ScratchFile&) = delete;
    ScratchFile& operator=(const ScratchFile&) = delete;
    ~ScratchFile() {
        if (!path_.empty()) {
            ::unlink(path_.c_str());
        }
    }

    // Creates the file; on failure returns why not.
    std::optional<std::string> create(const std::string& target) {
        const std::string folder = folderOf(target);
        thread_local std::mt19937 random{std::random_device{}()};
        for (int attempt = 0; attempt < 100; ++attempt) {
            char suffix[16];
            std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(random()));
            const std::string candidate = folder + "/.phasemeter-workbook-" + suffix + ".tmp";
            // 0666 lets the umask decide, as for any file the user creates.
            const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd < 0) {
                if (errno == EEXIST) {
                    continue;
                }
                return systemReason(errno);
            }
            path_ = candidate;
            struct stat existing {};
            if (::stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode)) {
                ::fchmod(fd, existing.st_mode & 07777);
            }
            ::close(fd);
            return std::nullopt;
        }
        return systemReason(EEXIST);
    }

    const std::string& path() const { return path_; }

    // Puts the finished file on disk, then under the target's name; on failure returns why not.
    std::optional<std::string> commit(const std::string& target) {
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) {
            const int error = errno;
            if (fd >= 0) {
                ::close(fd);
            }
            return systemReason(error);
        }
        ::close(fd);
        if (std::rename(path_.c_str(), target.c_str()) != 0) {
            return systemReason(errno);
        }
        path_.clear();
        return std::nullopt;
    }

  private:
    std::string path_;
};

// Owns a libxlsxwriter workbook until it is closed; one dropped unclosed is freed without
// writing anything.
class Workbook {
  public:
    Workbook(const std::string& path, bool constantMemory) {
        lxw_workbook_options options{};
        options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
        workbook_ = workbook_new_opt(path.c_str(), &options);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;
    ~Workbook() {
        if (workbook_) {
            lxw_workbook_free(workbook_);
        }
    }

    lxw_workbook* get() const { return workbook_; }

    // Writes the file and frees the workbook, whatever the outcome.
    lxw_error close() {
        lxw_workbook* workbook = workbook_;
        workbook_ = nullptr;
        return workbook_close(workbook);
    }

  private:
    lxw_workbook* workbook_ = nullptr;
};

// Copies the grid into the worksheet; on failure returns the reason. Row by row, as the
// constant-memory mode requires (a cell above the current row would be refused there); the
// cells and their texts are the same in any order.
std::optional<std::string> copyCells(const Grid& grid, lxw_worksheet* sheet, lxw_format* centred) {
    const int rows = grid.rows();
    const int cols = grid.cols();
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c) {
            const std::optional<std::string> text = grid.textMatrix(r, c);
            if (!text) {
                return "无法读取表格第 " + std::to_string(r + 1) + " 行第 " +
                       std::to_string(c + 1) + " 列";
            }
            const auto row = static_cast<lxw_row_t>(r);
            const auto col = static_cast<lxw_col_t>(c);
            // An empty text would otherwise be no cell at all and lose its centring.
            const lxw_error written =
                text->empty() ? worksheet_write_blank(sheet, row, col, centred)
                              : worksheet_write_string(sheet, row, col, text->c_str(), centred);
            if (written != LXW_NO_ERROR) {
                return lxw_strerror(written);
            }
        }
    }
    return std::nullopt;
}

}  // namespace

WriteResult XlsxWorkbookWriter::write(const std::string& path, const Grid& grid) {
    // Refused before anything is written, rather than after a million rows.
    if (grid.rows() > LXW_ROW_MAX || grid.cols() > LXW_COL_MAX) {
        return {failure(path, "表格有 " + std::to_string(grid.rows()) + " 行 " +
                                  std::to_string(grid.cols()) + " 列，超出工作表的容量（" +
                                  std::to_string(LXW_ROW_MAX) + " 行、" +
                                  std::to_string(LXW_COL_MAX) + " 列）")};
    }
    ScratchFile scratch;
    if (auto error = scratch.create(path)) {
        return {failure(path, *error)};
    }
    {
        Workbook workbook(scratch.path(), options_.constantMemory);
        lxw_worksheet* sheet =
            workbook.get() ? workbook_add_worksheet(workbook.get(), nullptr) : nullptr;
        lxw_format* centred = workbook.get() ? workbook_add_format(workbook.get()) : nullptr;
        if (!sheet || !centred) {
            return {failure(path, "无法创建工作簿")};
        }
        format_set_align(centred, LXW_ALIGN_CENTER);
        if (auto error = copyCells(grid, sheet, centred)) {
            return {failure(path, *error)};
        }
        const lxw_error closed = workbook.close();
        if (closed != LXW_NO_ERROR) {
            return {failure(path, lxw_strerror(closed))};
        }
    }
    if (auto error = scratch.commit(path)) {
        return {failure(path, *error)};
    }
    return {};
}

}  // namespace pm
