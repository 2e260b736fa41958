// The names members get, and the names the stub could not create on Windows.
#pragma once

#include <string>
#include <vector>

// A path the stub would write somewhere else, or not at all, explained in
// words; empty when the stub writes it exactly as stored. stored uses '/'.
std::string stored_path_problem(const std::wstring& stored);

// For the names of one folder: a pair that Windows would take for one name
// (they differ only in case), as "a and A"; empty when there is none.
std::string case_clash(const std::vector<std::wstring>& names);

// name as Windows compares names: two names that differ only in case fold
// to the same text.
std::wstring folded(const std::wstring& name);
