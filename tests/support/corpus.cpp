#include "corpus.h"

#include <sstream>

std::vector<std::vector<CorpusMember>> read_corpus(const std::wstring& folder) {
    // Columns: archive, member index, method, level, original size, expected, name.
    constexpr size_t COLUMNS = 7;
    Bytes bytes = read_file(folder + TempDir::SEPARATOR + L"manifest.tsv");
    std::stringstream text(std::string(bytes.begin(), bytes.end()));
    std::vector<std::vector<CorpusMember>> archives;
    for (std::string line; std::getline(text, line);) {
        std::vector<std::string> f;
        std::stringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) f.push_back(field);
        if (line[0] == '#' || f.size() != COLUMNS) continue;
        if (archives.empty() || archives.back().front().archive != f[0]) archives.emplace_back();
        archives.back().push_back({f[0], f[2], std::stoi(f[3]), uint32_t(std::stoul(f[4])), f[5], f[6]});
    }
    return archives;
}
