// Every text the program shows. The user interface is Japanese; the texts
// stand exactly as the users have always seen them.
#pragma once

#include <cstddef>

// Caption and default title of the program's own windows.
constexpr wchar_t DEFAULT_TITLE[] = L"Vorn SFX";

// A member header of a layout the reader does not know (error icon, own caption).
constexpr wchar_t TEXT_UNKNOWN_HEADER[] = L"Unknown header";
// The destination folder cannot be created.
constexpr wchar_t TEXT_FOLDER_NOT_CREATED[] = L"フォルダを作成できません";
// A member whose data does not match its CRC; %ls is the member's path.
constexpr wchar_t TEXT_FILE_BROKEN[] = L"ファイル %ls が壊れています。";
// Follows the member's path and a space: a folder of that name is in the way.
constexpr wchar_t TEXT_FOLDER_CLASH[] = L"を解凍できません。同名のフォルダが存在します。";
// A failed write ends the process. Held as narrow Shift_JIS text (code page
// 932), line feed included: "ディスクに書き込めません\n".
constexpr char TEXT_DISK_WRITE_FAILED[] =
    "\x83\x66\x83\x42\x83\x58\x83\x4E\x82\xC9\x8F\x91\x82\xAB\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82"
    "\xF1\x0A";

// The progress window's abort button.
constexpr wchar_t TEXT_ABORT[] = L"中止";
// Title of the folder browser of the destination dialog.
constexpr wchar_t TEXT_BROWSE_TITLE[] = L"解凍先フォルダの指定";

// Message texts that take a path are formatted into buffers of this size.
constexpr size_t MESSAGE_UNITS = 256;
