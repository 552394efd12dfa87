#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

#include "platform/archive.h"

namespace pm {

// The exit status of `archive` and `wiring` when the archive cannot be opened or written, or has
// no site or download of the name or number given.
constexpr int kExitArchiveFault = 5;

// The id a command's argument names: a whole number from 1, nothing else.
std::optional<ArchiveId> archiveIdOf(const std::string& text);

// The option that names the archive file of every command that touches the archive.
QCommandLineOption archiveOption();

// The archive a command works on: the file of --archive, else of PHASEMETER_ARCHIVE, else the
// one the window uses (adapters' archivePath). Opening makes the QCoreApplication that Qt SQL
// needs when the command runs without one, and keeps it as long as the archive.
class CommandArchive {
  public:
    explicit CommandArchive(const QCommandLineParser& parser);
    CommandArchive(const CommandArchive&) = delete;
    CommandArchive& operator=(const CommandArchive&) = delete;

    Archive& archive() { return *archive_; }
    const std::string& path() const { return path_; }
    // Why the archive cannot be used, "" when it can.
    std::string unavailableReason() const { return archive_->unavailableReason(); }
    // "the archive FILE: reason", for a line on stderr.
    std::string fault(std::string_view reason) const;

    // The site of that 户名; when there is none, or the archive cannot say, the reason.
    std::optional<Site> site(const std::string& name, std::string& reason);

  private:
    // Made first and so gone last: the archive's connection belongs to it.
    std::unique_ptr<QCoreApplication> application_;
    std::string path_;
    std::unique_ptr<Archive> archive_;
};

}  // namespace pm
