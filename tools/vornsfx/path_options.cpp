#include "path_options.h"

#include "text/utf8.h"
#include "tool_error.h"

namespace {

[[noreturn]] void usage_error(const std::string& command, const std::string& problem) {
    fail(problem + " (see: vornsfx " + command + " --help)");
}

}  // namespace

PathOptions parse_path_options(const std::string& command, const Arguments& args,
                               const std::string& short_name, const std::string& long_name) {
    PathOptions options;
    const std::string long_with_value = long_name + "=";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "-h" || word == "--help") {
            options.help = true;
            return options;
        }
        if (word == short_name || word == long_name) {
            if (++i == args.size()) usage_error(command, word + ": a value is missing");
            options.value = path_to_utf16(args[i]);
        } else if (word.compare(0, long_with_value.size(), long_with_value) == 0) {
            options.value = path_to_utf16(word.substr(long_with_value.size()));
        } else if (word.size() > 1 && word[0] == '-') {
            usage_error(command, "unknown option " + word);
        } else if (!options.file.empty()) {
            usage_error(command, "more than one file given");
        } else {
            options.file = path_to_utf16(word);
        }
    }
    if (options.file.empty()) usage_error(command, "no file given");
    return options;
}
