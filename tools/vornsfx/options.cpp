#include "options.h"

#include "text/utf8.h"
#include "tool_error.h"

namespace {

constexpr uint8_t BLOCK_PRESENT = 1;  // lead byte of a block with fields
constexpr uint8_t BASE_CWD = 0;
constexpr uint8_t BASE_PROGRAM_FILES = 1;
constexpr uint8_t OPTION_BITS_IN_USE = OPTION_OFFERED | OPTION_CHOSEN;

constexpr char WORD_OFF[] = "off";
constexpr char WORD_OFFERED[] = "offered";
constexpr char WORD_CHOSEN[] = "chosen";
constexpr char WORD_CWD[] = "cwd";
constexpr char WORD_PROGRAM_FILES[] = "program-files";

struct TextOption {
    const char* name;
    CWideString CConfigBlock::*field;
};

constexpr TextOption TEXT_OPTIONS[] = {
    {"--title", &CConfigBlock::title},
    {"--dest", &CConfigBlock::destination},
    {"--shortcut-target", &CConfigBlock::shortcut_target},
    {"--run-after", &CConfigBlock::run_after},
    {"--shortcut-name", &CConfigBlock::shortcut_name},
};

struct BitsOption {
    const char* name;
    uint8_t CConfigBlock::*field;
};

constexpr BitsOption BITS_OPTIONS[] = {
    {"--start-menu", &CConfigBlock::start_menu_option},
    {"--desktop", &CConfigBlock::desktop_option},
    {"--send-to", &CConfigBlock::send_to_option},
};

constexpr char OPTION_BASE[] = "--base";
constexpr char OPTION_OUTPUT[] = "--output";
constexpr char OPTION_OUTPUT_SHORT[] = "-o";
constexpr char OPTION_STUB[] = "--stub";
constexpr char OPTION_NO_VERIFY[] = "--no-verify";
constexpr char OPTION_NO_DIALOG[] = "--no-dialog";
constexpr char OPTION_HELP[] = "--help";
constexpr char OPTION_HELP_SHORT[] = "-h";
constexpr char END_OF_OPTIONS[] = "--";
constexpr char OPTION_METHOD[] = "--method";
constexpr char OPTION_EFFORT[] = "--effort";
constexpr char OPTION_QUIET[] = "-q";
constexpr char OPTION_QUIET_LONG[] = "--quiet";
constexpr char OPTION_VERBOSE[] = "-v";
constexpr char OPTION_VERBOSE_LONG[] = "--verbose";
constexpr char OPTION_THREADS[] = "--threads";
constexpr char OPTION_THREADS_SHORT[] = "-j";
constexpr char OPTION_NO_CLOBBER[] = "--no-clobber";
constexpr char OPTION_NO_CLOBBER_SHORT[] = "-n";
constexpr char OPTION_STRICT[] = "--strict";
constexpr char OPTION_JSON[] = "--json";

struct NamedValue {
    const char* word;
    int value;
};
constexpr NamedValue METHODS[] = {{"-lh5-", 13}, {"-lh6-", 15}, {"-lh7-", 16}};
constexpr NamedValue EFFORTS[] = {{"fast", static_cast<int>(Effort::fast)},
                                  {"normal", static_cast<int>(Effort::normal)},
                                  {"best", static_cast<int>(Effort::best)}};

[[noreturn]] void usage_error(const std::string& command, const std::string& problem) {
    fail(problem + " (see: vornsfx " + command + " --help)");
}

// One command-line word: an option with its value, or a file argument.
struct Word {
    bool is_option = false;
    std::string name;               // the option as written, "--title" or "-o"
    std::string value;              // the option's value, or the file argument
    bool has_inline_value = false;  // "--title=Setup"
};

class WordReader {
public:
    WordReader(const std::string& command, const Arguments& args)
        : command_(command), args_(args) {}

    bool next(Word& word) {
        if (index_ >= args_.size()) return false;
        const std::string& arg = args_[index_++];
        word = Word();
        if (!options_ended_ && arg == END_OF_OPTIONS) {
            options_ended_ = true;
            return next(word);
        }
        if (options_ended_ || arg.size() < 2 || arg[0] != '-') {
            word.value = arg;
            return true;
        }
        word.is_option = true;
        size_t equals = arg.find('=');
        if (arg.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            word.name = arg.substr(0, equals);
            word.value = arg.substr(equals + 1);
            word.has_inline_value = true;
        } else {
            word.name = arg;
        }
        return true;
    }

    // The value of an option that takes one: inline or the next argument.
    std::string value_of(const Word& word) {
        if (word.has_inline_value) return word.value;
        if (index_ >= args_.size()) usage_error(command_, word.name + ": a value is missing");
        return args_[index_++];
    }

    void refuse_value(const Word& word) {
        if (word.has_inline_value) usage_error(command_, word.name + " takes no value");
    }

private:
    std::string command_;
    const Arguments& args_;
    size_t index_ = 0;
    bool options_ended_ = false;
};

std::wstring path_argument(const std::string& utf8) {
    return path_to_utf16(utf8);
}

const TextOption* find_text_option(const std::string& name) {
    for (const TextOption& option : TEXT_OPTIONS)
        if (name == option.name) return &option;
    return nullptr;
}

const BitsOption* find_bits_option(const std::string& name) {
    for (const BitsOption& option : BITS_OPTIONS)
        if (name == option.name) return &option;
    return nullptr;
}

bool is_help(const Word& word) {
    return word.is_option && (word.name == OPTION_HELP || word.name == OPTION_HELP_SHORT);
}

// A shortcut with no target would point at the destination folder itself and,
// without a name, be called ".lnk": almost certainly a forgotten option.
void check_shortcuts(const CConfigBlock& block) {
    for (const BitsOption& option : BITS_OPTIONS)
        if (block.*option.field != 0 && block.shortcut_target.empty())
            usage_error("build", std::string(option.name) + " needs --shortcut-target");
}

template <size_t N>
int named_value(const std::string& command, const std::string& option, const std::string& value,
                const NamedValue (&table)[N]) {
    std::string words;
    for (const NamedValue& entry : table) {
        if (value == entry.word) return entry.value;
        words += words.empty() ? entry.word : std::string(", ") + entry.word;
    }
    usage_error(command, option + ": '" + value + "' is not one of " + words);
}

size_t thread_count(const std::string& command, const std::string& option,
                    const std::string& value) {
    size_t count = 0;
    bool digits = !value.empty() && value.size() <= 4;
    for (char c : value)
        digits = digits && c >= '0' && c <= '9';
    if (digits) count = std::stoul(value);
    if (count < 1 || count > MAX_THREADS)
        usage_error(command, option + ": '" + value + "' is not a number of threads from 1 to " +
                                 std::to_string(MAX_THREADS));
    return count;
}

// The options pack and build share; false when name is none of them.
bool parse_pack_option(const std::string& command, const std::string& name, const Word& word,
                       WordReader& reader, PackOptions& pack) {
    if (name == OPTION_METHOD)
        pack.dictionary_bits = named_value(command, name, reader.value_of(word), METHODS);
    else if (name == OPTION_EFFORT)
        pack.effort =
            static_cast<Effort>(named_value(command, name, reader.value_of(word), EFFORTS));
    else if (name == OPTION_QUIET)
        pack.quiet = true;
    else if (name == OPTION_THREADS || name == OPTION_THREADS_SHORT)
        pack.threads = thread_count(command, name, reader.value_of(word));
    else if (name.compare(0, 2, OPTION_THREADS_SHORT) == 0 && name.size() > 2)  // -j4
        pack.threads = thread_count(command, OPTION_THREADS_SHORT, name.substr(2));
    else if (name == OPTION_NO_CLOBBER || name == OPTION_NO_CLOBBER_SHORT)
        pack.no_clobber = true;
    else
        return false;
    return true;
}

// -q and -v contradict each other: the later one wins.
void set_detail(FileOptions& options, bool quiet, bool verbose) {
    options.quiet = quiet;
    options.verbose = verbose;
}

}  // namespace

CWideString block_text(const std::string& option, const std::string& utf8) {
    if (utf8.find('\0') != std::string::npos)
        fail(option + ": the text contains a NUL character, which would end it early");
    std::wstring units = utf8_to_utf16(utf8);
    if (utf16_to_utf8(units) != utf8) fail(option + ": the text is not valid UTF-8");
    if (units.size() > MAX_CONFIG_UNITS)
        fail(option + ": " + std::to_string(units.size()) + " UTF-16 units, the limit is " +
             std::to_string(MAX_CONFIG_UNITS));
    return CWideString(units.c_str(), units.size());
}

uint8_t parse_option_bits(const std::string& option, const std::string& value) {
    if (value == WORD_OFF) return 0;
    uint8_t bits = 0;
    size_t start = 0;
    for (;;) {
        size_t comma = value.find(',', start);
        std::string word = value.substr(start, comma == std::string::npos ? comma : comma - start);
        if (word == WORD_OFFERED)
            bits |= OPTION_OFFERED;
        else if (word == WORD_CHOSEN)
            bits |= OPTION_CHOSEN;
        else
            usage_error("build", option + ": '" + value +
                                     "' is not one of off, offered, chosen, offered,chosen");
        if (comma == std::string::npos) return bits;
        start = comma + 1;
    }
}

std::string option_bits_text(uint8_t bits) {
    std::string text;
    if (bits & OPTION_OFFERED) text = WORD_OFFERED;
    if (bits & OPTION_CHOSEN) text += text.empty() ? WORD_CHOSEN : std::string(",") + WORD_CHOSEN;
    if (text.empty()) text = WORD_OFF;
    uint8_t other = bits & ~OPTION_BITS_IN_USE;
    if (other != 0) {
        static const char HEX[] = "0123456789abcdef";
        text += std::string(" +0x") + HEX[other >> 4] + HEX[other & 0xF];
    }
    return text;
}

uint8_t parse_base(const std::string& value) {
    if (value == WORD_CWD) return BASE_CWD;
    if (value == WORD_PROGRAM_FILES) return BASE_PROGRAM_FILES;
    usage_error("build",
                std::string(OPTION_BASE) + ": '" + value + "' is not one of cwd, program-files");
}

std::string base_text(uint8_t base_selector) {
    return base_selector == BASE_CWD ? WORD_CWD : WORD_PROGRAM_FILES;
}

BuildOptions parse_build_options(const Arguments& args) {
    const std::string command = "build";
    BuildOptions options;
    options.block.lead_byte = BLOCK_PRESENT;
    WordReader reader(command, args);
    std::string block_option;  // one option that writes a field of the block
    bool no_dialog = false;
    Word word;
    while (reader.next(word)) {
        if (!word.is_option) {
            options.inputs.push_back(path_argument(word.value));
            continue;
        }
        if (is_help(word)) {
            options.help = true;
            return options;
        }
        std::string name = word.name == OPTION_OUTPUT_SHORT ? OPTION_OUTPUT : word.name;
        if (const TextOption* text = find_text_option(name)) {
            options.block.*text->field = block_text(name, reader.value_of(word));
            block_option = name;
        } else if (const BitsOption* bits = find_bits_option(name)) {
            options.block.*bits->field = parse_option_bits(name, reader.value_of(word));
            block_option = name;
        } else if (name == OPTION_BASE) {
            options.block.base_selector = parse_base(reader.value_of(word));
            block_option = name;
        } else if (name == OPTION_OUTPUT) {
            options.output = path_argument(reader.value_of(word));
        } else if (name == OPTION_STUB) {
            options.stub = path_argument(reader.value_of(word));
        } else if (name == OPTION_NO_VERIFY) {
            reader.refuse_value(word);
            options.verify = false;
        } else if (name == OPTION_NO_DIALOG) {
            reader.refuse_value(word);
            no_dialog = true;
        } else if (name == OPTION_STRICT) {
            reader.refuse_value(word);
            options.strict = true;
        } else if (!parse_pack_option(command, name, word, reader, options.pack)) {
            usage_error(command, "unknown option " + word.name);
        }
    }
    if (options.inputs.empty()) usage_error(command, "no archive, file or folder given");
    if (options.output.empty()) usage_error(command, "no output given (-o OUT.exe)");
    if (no_dialog) {
        if (!block_option.empty())
            usage_error(command, std::string(OPTION_NO_DIALOG) + " writes no settings, so " +
                                     block_option + " cannot be used with it");
        options.block = CConfigBlock();  // lead byte 0: the stub's defaults
    }
    check_shortcuts(options.block);
    return options;
}

PackCommandOptions parse_pack_options(const Arguments& args) {
    const std::string command = "pack";
    PackCommandOptions options;
    WordReader reader(command, args);
    Word word;
    while (reader.next(word)) {
        if (!word.is_option) {
            options.inputs.push_back(path_argument(word.value));
            continue;
        }
        if (is_help(word)) {
            options.help = true;
            return options;
        }
        std::string name = word.name == OPTION_OUTPUT_SHORT ? OPTION_OUTPUT : word.name;
        if (name == OPTION_OUTPUT)
            options.output = path_argument(reader.value_of(word));
        else if (!parse_pack_option(command, name, word, reader, options.pack))
            usage_error(command, "unknown option " + word.name);
    }
    if (options.inputs.empty()) usage_error(command, "no file or folder given");
    if (options.output.empty()) usage_error(command, "no output given (-o OUT.lzh)");
    return options;
}

FileOptions parse_file_options(const std::string& command, const Arguments& args) {
    FileOptions options;
    WordReader reader(command, args);
    Word word;
    while (reader.next(word)) {
        if (is_help(word)) {
            options.help = true;
            return options;
        }
        if (!word.is_option) {  // "-" among them: standard input
            options.files.push_back(path_argument(word.value));
            continue;
        }
        reader.refuse_value(word);
        if (command == "list" && word.name == OPTION_JSON)
            options.json = true;
        else if (word.name == OPTION_QUIET || word.name == OPTION_QUIET_LONG)
            set_detail(options, true, false);
        else if (command == "test" && (word.name == OPTION_VERBOSE || word.name == OPTION_VERBOSE_LONG))
            set_detail(options, false, true);
        else if (word.name == OPTION_STRICT)
            options.strict = true;
        else
            usage_error(command, "unknown option " + word.name);
    }
    if (options.files.empty()) usage_error(command, "no file given");
    options.file = options.files[0];
    return options;
}
