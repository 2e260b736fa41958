// The interop corpus: archives made by jlha, what lhasa extracted from them
// (expected/), and manifest.tsv with one line per member.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "files.h"

struct CorpusMember {
    std::string archive;  // file name in the corpus folder
    std::string method;   // "-lh5-"
    int level = 0;
    uint32_t original_size = 0;
    std::string expected;  // extracted file below the folder; "-" for a folder member
    std::string name;      // stored name, UTF-8, '/' between components, folders end in '/'
    bool folder() const { return expected == "-"; }
};

// The manifest of the corpus in folder, one list of members per archive, in
// the manifest's order.
std::vector<std::vector<CorpusMember>> read_corpus(const std::wstring& folder);
