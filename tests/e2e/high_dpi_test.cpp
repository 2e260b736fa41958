// The windows at 96, 144 and 192 DPI. Wine takes the screen's DPI from the
// registry when a program starts, so each run sets it first. Every caption of
// the destination dialog and of the progress window fits its control in the
// font it is shown in; the progress window has its 96-DPI size scaled by
// DPI / 96, and every control lies inside it.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

#include "Sfx/Sfx64/resource.h"
#include "support/driver_win32.h"
#include "support/header_writer.h"

namespace {

constexpr int BASE_DPI = 96;
constexpr int DIALOG_FONT_POINTS = 9;  // "MS UI Gothic", as the template says
// Room beside a caption at 96 DPI: a check box's box and gap, a button's frame.
constexpr int CHECK_BOX_ROOM = 16, BUTTON_ROOM = 4;
constexpr int PROGRESS_WIDTH = 256, PROGRESS_HEIGHT = 114;
constexpr uint32_t LONG_MEMBER = 1 + 256u * 12 * 1024 * 1024;  // keeps the window up

void set_screen_dpi(DWORD dpi) {
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", L"LogPixels", REG_DWORD,
                              &dpi, sizeof dpi),
              ERROR_SUCCESS);
}

// Puts the screen back to 96 DPI whatever happens, for the tests that follow.
struct ScreenDpi {
    explicit ScreenDpi(DWORD dpi) { set_screen_dpi(dpi); }
    ~ScreenDpi() { set_screen_dpi(BASE_DPI); }
};

// The fonts at dpi. The dialog's: its template's. The progress window's: the
// stock GUI font at 96 DPI, else the message font; this process has both at 96.
HFONT font_at(int dpi, bool dialog) {
    LOGFONTW font = {};
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (dialog) {
        lstrcpyW(font.lfFaceName, L"MS UI Gothic");
        font.lfCharSet = DEFAULT_CHARSET;
        font.lfHeight = -MulDiv(DIALOG_FONT_POINTS, BASE_DPI, 72);
    } else if (dpi == BASE_DPI) {
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
    } else if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        font = metrics.lfMessageFont;
    }
    font.lfHeight = MulDiv(font.lfHeight, dpi, BASE_DPI);
    font.lfWidth = 0;
    return CreateFontIndirectW(&font);
}

// control's caption fits it: its width, with room beside it, and its
// characters' height (the em, without the leading the CJK fonts standing in
// for the Windows ones make large).
void expect_caption_fits(HWND control, HFONT font, int room) {
    std::wstring caption = window_text(control);
    caption.erase(std::remove(caption.begin(), caption.end(), L'&'), caption.end());
    HDC context = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(context, font);
    SIZE text = {};
    GetTextExtentPoint32W(context, caption.c_str(), static_cast<int>(caption.size()), &text);
    SelectObject(context, previous);
    DeleteDC(context);
    LOGFONTW shape = {};
    GetObjectW(font, sizeof shape, &shape);
    RECT area = {};
    GetClientRect(control, &area);
    EXPECT_LE(text.cx + room, area.right) << "clipped: " << shown(caption);
    EXPECT_LE(std::abs(shape.lfHeight), area.bottom) << "cut off: " << shown(caption);
}

// Each control of window lies inside its client area; check it too.
void expect_controls_inside(HWND window, const std::function<void(HWND)>& check) {
    std::vector<HWND> controls;
    EnumChildWindows(
        window,
        [](HWND child, LPARAM list) {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&controls));
    RECT area = {};
    GetClientRect(window, &area);
    for (HWND control : controls) {
        RECT place = {};
        GetWindowRect(control, &place);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&place), 2);
        EXPECT_TRUE(place.left >= 0 && place.top >= 0 && place.right <= area.right &&
                    place.bottom <= area.bottom)
            << shown(window_text(control)) << " outside its window";
        check(control);
    }
}

}  // namespace

TEST(HighDpi, EveryCaptionFitsAndTheProgressWindowScales) {
    TempDir dir;
    make_folder(dir / L"work");
    CConfigBlock block;
    block.lead_byte = 1;
    block.title = L"Vorn DPI テスト";
    block.destination = L"dest";
    block.start_menu_option = block.desktop_option = block.send_to_option = OPTION_OFFERED;
    write_sfx(dir / L"setup.exe", block_bytes(block),
              concat({zeros_lh5("long.bin", LONG_MEMBER), Bytes{0}}));
    for (int dpi : {96, 144, 192}) {
        SCOPED_TRACE(dpi);
        ScreenDpi screen(static_cast<DWORD>(dpi));
        const auto scaled = [dpi](int pixels) { return MulDiv(pixels, dpi, BASE_DPI); };
        UiProcess stub;
        ASSERT_TRUE(stub.start(dir / L"setup.exe", dir / L"work"));
        HWND dialog = stub.wait_dialog();
        ASSERT_TRUE(dialog) << "no destination dialog";
        HFONT font = font_at(dpi, true);
        expect_controls_inside(dialog, [&](HWND control) {
            if (control == GetDlgItem(dialog, IDC_DEST_EDIT)) return;  // a path, scrolled
            const bool box = (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_AUTOCHECKBOX;
            const bool button = GetDlgCtrlID(control) != IDC_STATIC;
            expect_caption_fits(control, font, box ? scaled(CHECK_BOX_ROOM) : button ? scaled(BUTTON_ROOM) : 0);
        });
        DeleteObject(font);
        press(dialog, IDOK);

        HWND window = stub.wait_window(PROGRESS_WINDOW_CLASS);
        ASSERT_TRUE(window) << "no progress window";
        HWND label = FindWindowExW(window, nullptr, L"Static", nullptr);
        EXPECT_TRUE(wait_until([&] { return !window_text(label).empty(); }, WINDOW_LIMIT_MS));
        RECT outer = {};
        GetWindowRect(window, &outer);
        EXPECT_EQ(outer.right - outer.left, scaled(PROGRESS_WIDTH));
        EXPECT_EQ(outer.bottom - outer.top, scaled(PROGRESS_HEIGHT));
        font = font_at(dpi, false);
        expect_controls_inside(window, [&](HWND control) {
            if (control == label || control == GetDlgItem(window, ID_ABORT))
                expect_caption_fits(control, font, control == label ? 0 : scaled(BUTTON_ROOM));
        });
        DeleteObject(font);
        press(window, ID_ABORT);
        EXPECT_EQ(stub.finish(), EXIT_NORMAL);
    }
}
