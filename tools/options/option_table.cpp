#include "options/option_table.h"

#include <algorithm>

namespace pm::options {

std::string readOptions(std::span<const Option> table, const std::vector<std::string_view>& args) {
    for (std::size_t at = 0; at < args.size(); ++at) {
        const std::string_view arg = args[at];
        if (!arg.starts_with('-') || arg == "-" || arg == "--") {
            return "unexpected argument " + std::string(arg);
        }
        const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
        const std::string name(arg.substr(0, equals));
        const auto option = std::find_if(table.begin(), table.end(),
                                         [&name](const Option& row) { return row.name == name; });
        if (option == table.end()) {
            return "unknown option " + name;
        }
        std::string_view value;
        if (option->value.empty()) {
            if (equals != std::string_view::npos) {
                return name + " takes no value";
            }
        } else {
            if (equals != std::string_view::npos) {
                value = arg.substr(equals + 1);
            } else if (at + 1 < args.size()) {
                value = args[++at];
            }
            if (value.empty()) {
                return name + " needs a value";
            }
        }
        if (!option->target(value)) {
            return "bad value for " + name + ": " + std::string(value);
        }
        if (option->last) {
            break;
        }
    }
    return {};
}

std::string optionLines(std::span<const Option> table, std::size_t column) {
    std::string lines;
    for (const Option& option : table) {
        std::string head = "  " + std::string(option.name);
        if (!option.value.empty()) {
            head += " " + std::string(option.value);
        }
        head.resize(std::max(head.size() + 2, column), ' ');
        lines += head;
        for (const char c : option.help) {
            lines += c;
            if (c == '\n') {
                lines.append(column, ' ');
            }
        }
        lines += '\n';
    }
    return lines;
}

}  // namespace pm::options
