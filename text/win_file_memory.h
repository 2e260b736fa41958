// Files in memory for the fuzz build, whose CWinFile back end
// (win_file_memory.cpp) opens a name registered here as that name's buffer.
#pragma once

#include <cstdint>
#include <vector>

// The buffer behind path, registered (empty) on first use. A CWinFile opened
// on path reads and writes it; it stays at the same address for the life of
// the process, so a fuzz target fills it once per input.
std::vector<uint8_t>& memory_file(const wchar_t* path);
