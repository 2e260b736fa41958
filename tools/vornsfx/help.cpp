#include "help.h"

namespace {

constexpr char GENERAL_HELP[] =
    "Usage: vornsfx COMMAND [OPTIONS]\n"
    "\n"
    "Makes, lists and tests self-extracting files for 64-bit Windows: the Vorn SFX\n"
    "stub, a configuration block and an LHA archive, packed from files and folders\n"
    "or made by any LHA archiver.\n"
    "\n"
    "Commands:\n"
    "  build PATH... -o OUT.exe [OPTIONS]  make a self-extracting file\n"
    "  pack PATH... -o OUT.lzh [OPTIONS]   make an LHA archive of files and folders\n"
    "  list FILE                           show the settings and members of a\n"
    "                                      self-extracting file or an archive\n"
    "  test FILE                           decode every member and check its CRC-16\n"
    "  extract FILE [-C DIR]               extract as the stub would, on any system\n"
    "  unwrap FILE.exe -o OUT.lzh          write out the archive a self-extracting\n"
    "                                      file holds\n"
    "\n"
    "  vornsfx COMMAND --help              the options of one command\n"
    "  vornsfx -V, --version               the builder's version\n"
    "\n"
    "Exit status: 0 ok, 1 a member failed its test, 2 bad usage or input.\n";

constexpr char BUILD_HELP[] =
    "Usage: vornsfx build PATH... -o OUT.exe [OPTIONS]\n"
    "\n"
    "Writes the stub, a configuration block and an archive to OUT.exe. PATH is\n"
    "one LHA archive (a file named *.lzh or *.lha), used as it is, or files and\n"
    "folders, packed as vornsfx pack does (see vornsfx pack --help; --method,\n"
    "--effort and -q apply). Every member is first read and decoded with the\n"
    "stub's own reader and engine; an archive the stub could not extract\n"
    "completely is refused and nothing is written.\n"
    "\n"
    "Settings of the destination dialog and the run (texts in UTF-8, at most 255\n"
    "UTF-16 units each):\n"
    "  --title TEXT            caption of the dialog and progress window\n"
    "                          (empty: \"Vorn SFX\")\n"
    "  --dest FOLDER           proposed destination folder; a relative one is\n"
    "                          taken below the base folder (empty: the current\n"
    "                          folder when the program starts)\n"
    "  --base cwd|program-files\n"
    "                          base folder of a relative --dest (default: cwd)\n"
    "  --shortcut-target FILE  extracted file the shortcuts point to, relative to\n"
    "                          the destination\n"
    "  --shortcut-name NAME    name of the shortcuts without .lnk (empty: the\n"
    "                          target's file name without its extension)\n"
    "  --start-menu WHEN       shortcut in the Start menu's programs\n"
    "  --desktop WHEN          shortcut on the desktop\n"
    "  --send-to WHEN          shortcut in Send To\n"
    "                          WHEN: off (default: not made), offered (the user\n"
    "                          may tick it; it starts unticked), chosen (made;\n"
    "                          the user cannot change that), offered,chosen\n"
    "                          (starts ticked; the user may untick it)\n"
    "  --run-after FILE        extracted file opened after a successful run,\n"
    "                          relative to the destination\n"
    "  --no-dialog             no settings at all: the stub shows no dialog and\n"
    "                          extracts into the folder it is started in\n"
    "\n"
    "Other options:\n"
    "  -o, --output OUT.exe    the file to write; an existing one is replaced and keeps\n"
    "                          its permissions, a symbolic link is followed (the file\n"
    "                          it points to is replaced); never an input or the stub\n"
    "  --stub FILE             the stub to use (default: Sfx64.exe beside vornsfx,\n"
    "                          else ../share/vornsfx/Sfx64.exe from vornsfx's\n"
    "                          folder, else out/Sfx64.exe)\n"
    "  -n, --no-clobber        refuse (status 2) when OUT.exe exists\n"
    "  --no-verify             check the headers only; do not decode the members\n"
    "  --strict                every warning (a --shortcut-target or --run-after\n"
    "                          that is no member, bytes after the archive, a missing\n"
    "                          terminating zero byte) fails the build with status 2\n"
    "  --method, --effort, -j, -q\n"
    "                          how files and folders are packed (see pack)\n"
    "  -h, --help              this text\n"
    "\n"
    "An option's value may follow it or be joined with '=': --title=Setup. An\n"
    "option given twice takes its last value.\n";

constexpr char PACK_HELP[] =
    "Usage: vornsfx pack PATH... -o OUT.lzh [OPTIONS]\n"
    "\n"
    "Packs files and folders (folders with everything in them) into an LHA\n"
    "archive any LHA tool reads: header level 2, names in UTF-16 and, where\n"
    "every character has one, in Shift_JIS. Each PATH is stored under its last\n"
    "name (dir/app as app, with its contents below); a folder written with a\n"
    "trailing separator (dir/app/), or without a last name (., .., dir/..),\n"
    "stands for its contents. An output inside a folder being packed is left\n"
    "out of the archive. Members come in a fixed order (by name, each folder\n"
    "before its contents) with the files' times, so the same inputs give the\n"
    "same archive byte for byte; when SOURCE_DATE_EPOCH is set, no time is\n"
    "later than it. A file that would not get smaller is stored (-lh0-).\n"
    "Refused, with nothing written: a PATH that\n"
    "does not exist or cannot be read, a name Windows cannot create (device\n"
    "names such as CON, ':' and the other forbidden characters, a trailing dot\n"
    "or space, names differing only in case in one folder, paths over 256\n"
    "characters), a file of 4 GiB or more.\n"
    "\n"
    "  -o, --output OUT.lzh    the archive to write; replaced as build's -o is\n"
    "  --method -lh5-|-lh6-|-lh7-\n"
    "                          8, 32 or 64 KiB dictionary (default: -lh7-)\n"
    "  --effort fast|normal|best\n"
    "                          fast: greedy matching; normal (default): lazy\n"
    "                          matching, blocks that follow the data; best: an\n"
    "                          optimal parse, smallest and slowest\n"
    "  -j, --threads N         pack on N threads (default: the processors this\n"
    "                          process may use); the archive is the same for any N\n"
    "  -n, --no-clobber        refuse (status 2) when OUT.lzh exists\n"
    "  -q                      no progress bar and no summary\n"
    "  -h, --help              this text\n";

constexpr char LIST_HELP[] =
    "Usage: vornsfx list [--json] [-q] [--strict] FILE...\n"
    "\n"
    "For a self-extracting file (a Windows program longer than 0x16000 bytes),\n"
    "shows its configuration block with every field and then its members; for an\n"
    "LHA archive, its members: method, original and packed size, time, CRC-16,\n"
    "header level and path. Times of header levels 0 and 1 are the stored MS-DOS\n"
    "local time; level 2 times are UTC. Names stored in the ANSI code page are read\n"
    "as code page 932 (Japanese) natively and in the system's code page on Windows.\n"
    "Control characters in names are shown as '?'.\n"
    "\n"
    "  --json       one JSON document instead: \"settings\" (null for an archive),\n"
    "               \"members\" with \"path\" as the stub writes it, \"stored_path\",\n"
    "               \"method\", \"folder\", sizes, \"crc16\", \"time\" (ISO 8601 UTC,\n"
    "               level 2) or \"local_time\" (levels 0 and 1, zone unknown),\n"
    "               \"level\"; and how the archive \"end\"s (one FILE only)\n"
    "  -q           print nothing but errors and warnings\n"
    "  --strict     a warning (no terminating zero byte, bytes after the\n"
    "               archive) gives status 2\n"
    "  -h, --help   this text\n"
    "\n"
    "FILE - reads standard input. Several files are listed one after another, each\n"
    "behind a line \"==> FILE <==\"; the exit status is the worst of them.\n";

constexpr char TEST_HELP[] =
    "Usage: vornsfx test [-q|-v] [--strict] FILE...\n"
    "\n"
    "Decodes every member of a self-extracting file or an LHA archive with the\n"
    "stub's own engine and compares its CRC-16 with the header's. Prints one line\n"
    "per member and a summary; on a terminal, long archives show their progress.\n"
    "Exit status 0 only when every member passed, 1 when one failed, 2 when the\n"
    "file cannot be read. FILE - reads standard input. Several files are tested\n"
    "one after another, each behind a line \"==> FILE <==\"; the exit status is\n"
    "the worst of them.\n"
    "\n"
    "  -q           only failures and errors (lines named by file when several)\n"
    "  -v           method, size and CRC-16 on every line that passed\n"
    "  --strict     a warning (no terminating zero byte, bytes after the\n"
    "               archive) gives status 2\n"
    "  -h, --help   this text\n";

constexpr char EXTRACT_HELP[] =
    "Usage: vornsfx extract FILE [-C DIR]\n"
    "\n"
    "Extracts a self-extracting file or an LHA archive into DIR (default: the\n"
    "current folder) with the stub's own reader, engine and path rules: every\n"
    "file lands where the stub would put it, never outside DIR; members of\n"
    "unknown methods and symbolic links are skipped; files get their header's\n"
    "time. As the stub, the run stops at the first member that cannot be written\n"
    "or is damaged; a damaged file is removed. An existing file is replaced.\n"
    "Exit status 0 when all is extracted, 1 when a member failed, 2 when the\n"
    "file cannot be read.\n"
    "\n"
    "  -C, --directory DIR   extract into DIR, created when missing\n"
    "  -h, --help            this text\n";

constexpr char UNWRAP_HELP[] =
    "Usage: vornsfx unwrap FILE.exe -o OUT.lzh\n"
    "\n"
    "Writes the LHA archive inside a self-extracting file to OUT.lzh, byte for\n"
    "byte as stored, through its terminating zero byte. OUT.lzh is replaced only\n"
    "once complete, and never when it is FILE.exe itself.\n"
    "\n"
    "  -o, --output FILE   the archive to write\n"
    "  -h, --help          this text\n";

}  // namespace

const char* general_help() {
    return GENERAL_HELP;
}

const char* command_help(const std::string& command) {
    if (command == "build") return BUILD_HELP;
    if (command == "pack") return PACK_HELP;
    if (command == "list") return LIST_HELP;
    if (command == "test") return TEST_HELP;
    if (command == "extract") return EXTRACT_HELP;
    if (command == "unwrap") return UNWRAP_HELP;
    return nullptr;
}
