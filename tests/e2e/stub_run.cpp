#include "stub_run.h"

#include "support/header_writer.h"

namespace {

// The marker program starts within the run's end; give it time on a busy machine.
constexpr DWORD MARKER_LIMIT_MS = 20000;

}  // namespace

void StubRun::start(const Bytes& block, const Bytes& archive_bytes,
                    const std::wstring& arguments) {
    std::wstring program = dir / L"setup.exe";
    write_sfx(program, block, archive_bytes);
    ASSERT_TRUE(stub.start(program, work, arguments)) << "cannot start " << shown(program);
}

Bytes marker_member() {
    Bytes program = read_file(path_from_environment("VORNSFX_RUN_MARKER"));
    EXPECT_FALSE(program.empty()) << "marker program missing";
    return stored_member(2, "run_marker.exe", program);
}

CConfigBlock marker_block(const std::wstring& title, const std::wstring& destination,
                          const std::wstring& link_name) {
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = title.c_str();
    block.destination = destination.c_str();
    block.shortcut_target = block.run_after = MARKER_PROGRAM;
    block.start_menu_option = block.desktop_option = block.send_to_option =
        OPTION_OFFERED | OPTION_CHOSEN;
    block.shortcut_name = link_name.c_str();
    return block;
}

std::wstring marker_text(const std::wstring& folder) {
    std::wstring marker = folder + L"\\" + MARKER_FILE;
    if (!wait_until([&] { return exists(marker); }, MARKER_LIMIT_MS)) return std::wstring();
    Bytes bytes = read_file(marker);
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8));
    return text;
}

void expect_nothing_followed(const std::wstring& folder, const std::wstring& link_name) {
    // The program opens the marker before it ends, so by now the marker
    // process exists or has left its file.
    EXPECT_FALSE(exists(folder + L"\\" + MARKER_FILE)) << "the run-after program ran";
    EXPECT_TRUE(process_ids(MARKER_PROGRAM).empty()) << "the run-after program runs";
    for (const LinkFolder& links : LINK_FOLDERS)
        EXPECT_FALSE(exists(link_path(links, link_name))) << "a shortcut in " << links.name;
}
