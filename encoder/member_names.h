// The names members get, and the names the stub could not create on Windows.
#pragma once

#include <string>
#include <vector>

// A path the stub would write somewhere else, or not at all, explained in
// words; empty when the stub writes it exactly as stored. stored uses '/'.
std::string stored_path_problem(const std::wstring& stored);

// Among whole stored paths: one given twice ("p: given twice"), or else a
// pair that Windows would take for one path because they differ only in
// case ("Windows cannot hold both a and A"); empty when there is neither.
std::string repeated_path(std::vector<const std::wstring*> paths);

// name as Windows compares names: two names that differ only in case fold
// to the same text.
std::wstring folded(const std::wstring& name);
