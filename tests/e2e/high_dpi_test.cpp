// The windows at 96, 144 and 192 DPI. Wine takes the screen's DPI from the
// registry when a program starts, so each run sets it first and the stub, which
// declares itself DPI aware, draws at that resolution. At every DPI each
// caption of the destination dialog and of the progress window fits its
// control, measured with the font the control shows it in; the progress window
// has its 96-DPI size scaled by DPI / 96, and its abort button lies inside it.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "Sfx/Sfx64/resource.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"

namespace {

constexpr int BASE_DPI = 96;
constexpr int DPIS[] = {96, 144, 192};
// The dialog's font, as its template names it, in points.
constexpr wchar_t DIALOG_FONT[] = L"MS UI Gothic";
constexpr int DIALOG_FONT_POINTS = 9;
constexpr int POINTS_PER_INCH = 72;
// Room a control keeps beside its caption, at 96 DPI: a check box's box and
// gap, a push button's frame.
constexpr int CHECK_BOX_ROOM = 16;
constexpr int BUTTON_FRAME_ROOM = 4;
constexpr int PROGRESS_WIDTH = 256, PROGRESS_HEIGHT = 114;
// Long enough to keep the progress window up while it is measured.
constexpr uint32_t LONG_MEMBER = 1 + 256u * 12 * 1024 * 1024;  // 3 GiB

const wchar_t DESKTOP_KEY[] = L"Control Panel\\Desktop";

void set_screen_dpi(DWORD dpi) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, DESKTOP_KEY, L"LogPixels", REG_DWORD, &dpi,
                              sizeof dpi),
              ERROR_SUCCESS);
}

// Puts the screen back to 96 DPI whatever happens, for the tests that follow.
struct ScreenDpi {
    explicit ScreenDpi(DWORD dpi) { set_screen_dpi(dpi); }
    ~ScreenDpi() { set_screen_dpi(BASE_DPI); }
};

// A font of the given height in pixels, shaped like the given one.
HFONT font_of_height(LOGFONTW shape, LONG height) {
    shape.lfHeight = height;
    shape.lfWidth = 0;
    return CreateFontIndirectW(&shape);
}

// The progress window's font at dpi: the stock GUI font at 96 DPI, else the
// system's message font; this process's, made at its own DPI, scaled as the
// system scales it.
HFONT gui_font_at(int dpi) {
    LOGFONTW font = {};
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (dpi == BASE_DPI)
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    else if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
        font = metrics.lfMessageFont;
    HDC screen = GetDC(nullptr);
    const int own_dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return font_of_height(font, MulDiv(MulDiv(font.lfHeight, BASE_DPI, own_dpi), dpi, BASE_DPI));
}

HFONT dialog_font_at(int dpi) {
    LOGFONTW font = {};
    lstrcpyW(font.lfFaceName, DIALOG_FONT);
    font.lfCharSet = DEFAULT_CHARSET;
    return font_of_height(font, -MulDiv(DIALOG_FONT_POINTS, dpi, POINTS_PER_INCH));
}

// The caption's extent in font, without its mnemonic marks.
SIZE text_extent(HFONT font, std::wstring text) {
    text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
    HDC context = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(context, font);
    SIZE extent = {};
    GetTextExtentPoint32W(context, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(context, previous);
    DeleteDC(context);
    return extent;
}

RECT client_rect(HWND window) {
    RECT area = {};
    GetClientRect(window, &area);
    return area;
}

// control's caption, shown in font, fits it: its width with room to spare
// beside it, its characters' height (the font's em, without the leading that
// the CJK fonts standing in for the Windows ones make large) within the height.
void expect_caption_fits(HWND control, HFONT font, int room) {
    const std::wstring caption = window_text(control);
    const SIZE text = text_extent(font, caption);
    LOGFONTW shape = {};
    GetObjectW(font, sizeof shape, &shape);
    const RECT area = client_rect(control);
    EXPECT_LE(text.cx + room, area.right) << "clipped: " << shown(caption);
    EXPECT_LE(std::abs(shape.lfHeight), area.bottom) << "cut off: " << shown(caption);
}

// control lies wholly inside parent's client area.
void expect_inside(HWND control, HWND parent) {
    RECT place = {};
    GetWindowRect(control, &place);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&place), 2);
    const RECT area = client_rect(parent);
    EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= area.right &&
                place.bottom <= area.bottom)
        << shown(window_text(control)) << " at " << place.left << "," << place.top << "-"
        << place.right << "," << place.bottom << " in " << area.right << "x" << area.bottom;
}

std::vector<HWND> children(HWND window) {
    std::vector<HWND> found;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void expect_dialog_whole(HWND dialog, int dpi) {
    HFONT font = dialog_font_at(dpi);
    const int scale_room[] = {0, MulDiv(CHECK_BOX_ROOM, dpi, BASE_DPI),
                              MulDiv(BUTTON_FRAME_ROOM, dpi, BASE_DPI)};
    for (HWND control : children(dialog)) {
        expect_inside(control, dialog);
        if (control == GetDlgItem(dialog, IDC_DEST_EDIT)) continue;  // a path, scrolled
        const LONG style = GetWindowLongW(control, GWL_STYLE);
        const bool button = GetDlgCtrlID(control) != IDC_STATIC;
        const bool check_box = (style & BS_TYPEMASK) == BS_AUTOCHECKBOX;
        expect_caption_fits(control, font, scale_room[check_box ? 1 : button ? 2 : 0]);
    }
    DeleteObject(font);
}

void expect_progress_window_whole(HWND window, int dpi) {
    RECT outer = {};
    GetWindowRect(window, &outer);
    EXPECT_EQ(outer.right - outer.left, MulDiv(PROGRESS_WIDTH, dpi, BASE_DPI));
    EXPECT_EQ(outer.bottom - outer.top, MulDiv(PROGRESS_HEIGHT, dpi, BASE_DPI));
    HFONT font = gui_font_at(dpi);
    HWND abort = GetDlgItem(window, ID_ABORT);
    HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
    ASSERT_TRUE(abort && label);
    expect_caption_fits(abort, font, MulDiv(BUTTON_FRAME_ROOM, dpi, BASE_DPI));
    expect_caption_fits(label, font, 0);  // the name, shortened to the label's width
    for (HWND control : children(window)) expect_inside(control, window);
    DeleteObject(font);
}

}  // namespace

TEST(HighDpi, EveryCaptionFitsAndTheProgressWindowScales) {
    TempDir dir;
    const std::wstring work = dir / L"work";
    make_folder(work);
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = L"Vorn DPI テスト";
    block.destination = L"dest";
    block.start_menu_option = block.desktop_option = block.send_to_option =
        OPTION_OFFERED | OPTION_CHOSEN;
    block.shortcut_target = L"long.bin";
    write_sfx(dir / L"setup.exe", block_bytes(block),
              concat({zeros_lh5("long.bin", LONG_MEMBER), Bytes{0}}));
    for (int dpi : DPIS) {
        SCOPED_TRACE(dpi);
        ScreenDpi screen(static_cast<DWORD>(dpi));
        UiProcess stub;
        ASSERT_TRUE(stub.start(dir / L"setup.exe", work));
        HWND dialog = stub.wait_dialog();
        ASSERT_TRUE(dialog) << "no destination dialog";
        expect_dialog_whole(dialog, dpi);
        press(dialog, IDOK);
        HWND window = stub.wait_window(PROGRESS_WINDOW_CLASS);
        ASSERT_TRUE(window) << "no progress window";
        HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
        EXPECT_TRUE(wait_until([&] { return !window_text(label).empty(); }, WINDOW_LIMIT_MS));
        expect_progress_window_whole(window, dpi);
        press(window, ID_ABORT);
        EXPECT_EQ(stub.finish(), EXIT_NORMAL);
    }
}
