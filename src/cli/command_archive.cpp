#include "cli/command_archive.h"

#include <charconv>

#include "adapters/sqlite_archive.h"

namespace pm {

std::optional<ArchiveId> archiveIdOf(const std::string& text) {
    ArchiveId id = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (error != std::errc{} || end != text.data() + text.size() || id < 1) {
        return std::nullopt;
    }
    return id;
}
namespace {

// QCoreApplication keeps a reference to its argument count for its whole life.
int gArgumentCount = 1;
char gProgramName[] = "phasemeter-cli";
char* gArguments[] = {gProgramName, nullptr};

}  // namespace

QCommandLineOption archiveOption() {
    return QCommandLineOption(QStringLiteral("archive"), QString(), QStringLiteral("FILE"));
}

CommandArchive::CommandArchive(const QCommandLineParser& parser) {
    if (QCoreApplication::instance() == nullptr) {
        application_ = std::make_unique<QCoreApplication>(gArgumentCount, gArguments);
    }
    const QString option = archiveOption().names().first();
    path_ = archivePath(parser.isSet(option) ? std::optional(parser.value(option).toStdString())
                                             : std::nullopt);
    archive_ = openSqliteArchive(path_);
}

std::string CommandArchive::fault(std::string_view reason) const {
    return "the archive " + path_ + ": " + std::string(reason);
}

std::optional<Site> CommandArchive::site(const std::string& name, std::string& reason) {
    if (std::string unavailable = unavailableReason(); !unavailable.empty()) {
        reason = fault(unavailable);
        return std::nullopt;
    }
    std::optional<Site> found = archive_->siteNamed(name);
    if (!found) {
        const std::string unavailable = unavailableReason();
        reason = unavailable.empty() ? "no site named \"" + name + "\" in the archive " + path_ +
                                           " (phasemeter-cli archive sites lists them)"
                                     : fault(unavailable);
    }
    return found;
}

}  // namespace pm
