// Compares an extracted folder with the tree lhasa extracted from the same
// corpus archive.
#pragma once

#include <set>
#include <string>
#include <vector>

// Every difference, one line each: a missing or different file, a missing
// folder, an entry that should not be there. Entries named in extra (paths
// relative to actual, '\' separators) are allowed additionally. Empty: equal.
std::vector<std::string> tree_differences(const std::wstring& expected, const std::wstring& actual,
                                          const std::set<std::wstring>& extra = {});

// The same against corpus archive stem's expected tree; the archive's empty
// folders, which the committed tree cannot hold, come from the manifest.
std::vector<std::string> corpus_differences(const std::wstring& stem, const std::wstring& actual,
                                            std::set<std::wstring> extra = {});
