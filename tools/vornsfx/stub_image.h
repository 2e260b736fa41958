// The stub's image: the first PAYLOAD_OFFSET bytes of every self-extracting
// file. The stub reads its payload at that fixed offset, so an image must be
// a Windows program no larger than that; a smaller one is padded with zeros.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "text/win_file.h"

using ByteVector = std::vector<uint8_t>;

// The Windows program test of the stub and of a file given to list and test:
// "MZ", a PE header offset inside the file, and "PE\0\0" there. Reads from
// the file's start; the position afterwards is undefined.
bool is_pe_image(CWinFile& file);

// Why the start of a file (at most PAYLOAD_OFFSET bytes of it) is not our
// stub's image: a PE32+ program for x64 with the Windows GUI subsystem whose
// version resource describes it as the Vorn SFX self-extractor; empty when
// it is.
std::string stub_image_problem(const ByteVector& image);

// Reads the stub at path, refusing (ToolError) a file that is not our stub
// (see stub_image_problem) or is larger than PAYLOAD_OFFSET; returns exactly
// PAYLOAD_OFFSET bytes.
ByteVector load_stub_image(const std::wstring& path);

// The stub used when --stub is not given: Sfx64.exe beside the builder, then
// ../share/vornsfx/Sfx64.exe from the builder's folder (an installed tree),
// then out/Sfx64.exe below the current folder (a build tree of this project).
std::wstring default_stub_path();
