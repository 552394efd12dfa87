#include <QApplication>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "adapters/serial_port_names.h"
#include "adapters/sqlite_archive.h"
#include "core/version.h"
#include "qt/command_line.h"
#include "qt/program.h"

int main(int argc, char* argv[]) {
    // Our own options come first, so that --version and --help work without a display.
    const pm::WindowCommandLine command =
        pm::parseWindowCommandLine({argv + (argc > 0 ? 1 : 0), argv + argc});
    switch (command.action) {
        case pm::WindowCommandLine::Action::ShowVersion:
            std::printf("phasemeter %s\n", pm::kVersion);
            return 0;
        case pm::WindowCommandLine::Action::ShowHelp:
            std::fputs(pm::kWindowUsage, stdout);
            return 0;
        case pm::WindowCommandLine::Action::Fail:
            std::fprintf(stderr, "%s\n", command.error.c_str());
            return 2;
        case pm::WindowCommandLine::Action::Run:
            break;
    }
    // Before anything reads it: the scan asks for the device behind each port on every tick.
    if (!command.ports.empty()) {
        QStringList devices;
        for (const std::string& device : command.ports) {
            devices.append(QString::fromStdString(device));
        }
        pm::setPortDevices(devices);
    }

    static char programName[] = "phasemeter";
    std::vector<std::string> qtArguments = command.qtArguments;
    std::vector<char*> qtArgv{argc > 0 ? argv[0] : programName};
    for (std::string& arg : qtArguments) {
        qtArgv.push_back(arg.data());
    }
    qtArgv.push_back(nullptr);
    int qtArgc = static_cast<int>(qtArgv.size()) - 1;

    QApplication app(qtArgc, qtArgv.data());
    QApplication::setApplicationName(QStringLiteral("phasemeter"));
    pm::prepareApplication();
    // The archive opens whatever state its file is in; one it cannot use is said in the window.
    std::unique_ptr<pm::Archive> archive;
    if (!command.noArchive) {
        archive = pm::openSqliteArchive(pm::archivePath(command.archive));
    }
    pm::Program program(std::move(archive));
    program.show();
    return QApplication::exec();
}
