#include "cli/command_options.h"

#include <algorithm>
#include <utility>

namespace pm {

namespace {

bool takesValue(const QList<QCommandLineOption>& options, const QString& name) {
    return std::any_of(options.begin(), options.end(), [&name](const QCommandLineOption& option) {
        return option.names().contains(name) && !option.valueName().isEmpty();
    });
}

// The option as written that QCommandLineParser reported as the unknown `name`: "--name", or the
// single-dash argument it found the letter in.
std::string writtenOption(const QStringList& arguments, const QString& name) {
    for (const QString& argument : arguments) {
        const QString option = argument.section(u'=', 0, 0);
        if (option == QStringLiteral("--") + name ||
            (!option.startsWith(QStringLiteral("--")) && option.startsWith(u'-') &&
             option.contains(name))) {
            return option.toStdString();
        }
    }
    return "--" + name.toStdString();
}

// The mistake in what `parser` read from `arguments`, "" for none.
std::string mistakeIn(const QCommandLineParser& parser, bool parsed,
                      const QList<QCommandLineOption>& options, const QStringList& arguments) {
    if (!parser.unknownOptionNames().isEmpty()) {
        return "unknown option " + writtenOption(arguments, parser.unknownOptionNames().first());
    }
    const QStringList found = parser.optionNames();
    for (const QString& name : found) {
        // The parser keeps a value each time it finds an option that takes one, but none for
        // such an option as the last argument.
        if (takesValue(options, name) && parser.values(name).size() < found.count(name)) {
            return "--" + name.toStdString() + " needs a value";
        }
    }
    if (!parsed) {
        // Else only a value given to an option that takes none fails the parse.
        for (const QString& argument : arguments) {
            const QString name = argument.section(u'=', 0, 0).mid(2);
            if (argument.startsWith(QStringLiteral("--")) && argument.contains(u'=') &&
                found.contains(name) && !takesValue(options, name)) {
                return "--" + name.toStdString() + " takes no value";
            }
        }
        return parser.errorText().toStdString();
    }
    if (!parser.positionalArguments().isEmpty()) {
        return "unexpected argument " + parser.positionalArguments().first().toStdString();
    }
    for (const QString& name : found) {
        if (takesValue(options, name) && parser.values(name).contains(QString())) {
            return "--" + name.toStdString() + " needs a value";
        }
    }
    return {};
}

}  // namespace

std::string readCommandOptions(QCommandLineParser& parser, QList<QCommandLineOption> options,
                               const std::vector<std::string>& args) {
    options.append(QCommandLineOption(QStringLiteral("help")));
    parser.addOptions(options);
    // parse() skips the first argument, the program's name.
    QStringList arguments{QStringLiteral("phasemeter-cli")};
    for (const std::string& arg : args) {
        arguments.append(QString::fromStdString(arg));
    }
    // The first --help ends the reading: it is the last argument of the shortest run from the
    // left after which the parser has found it (and not taken it for the value of the option
    // before it).
    qsizetype end = arguments.size();
    for (qsizetype n = 2; n < arguments.size(); ++n) {
        parser.parse(arguments.first(n));
        if (parser.isSet(QStringLiteral("help"))) {
            end = n;
            break;
        }
    }
    const QStringList read = arguments.first(end);
    const bool parsed = parser.parse(read);
    return mistakeIn(parser, parsed, options, read.sliced(1));
}

std::optional<int> answerCommandOptions(QCommandLineParser& parser, std::string_view name,
                                        QList<QCommandLineOption> options,
                                        const std::vector<std::string>& args,
                                        std::string_view usage, std::ostream& out,
                                        std::ostream& err) {
    const std::string mistake = readCommandOptions(parser, std::move(options), args);
    if (!mistake.empty()) {
        err << "phasemeter-cli " << name << ": " << mistake << "\n";
        return 2;
    }
    if (parser.isSet(QStringLiteral("help"))) {
        out << usage;
        return 0;
    }
    return std::nullopt;
}

}  // namespace pm
