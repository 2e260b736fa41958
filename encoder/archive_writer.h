// Files and folders to an LHA archive.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "effort.h"
#include "member_encoder.h"
#include "text/win_file.h"

// One member to be: where its data comes from and the path it is stored as.
struct PackEntry {
    std::wstring source;  // the file or folder on disk
    std::wstring stored;  // '/' between components, no trailing separator
    bool folder = false;
    uint64_t size = 0;
    int64_t mtime = 0;
};

// The members for the given files and folders, folders recursively, each
// folder before its contents, names in UTF-16 order within a folder. Each
// input is stored under its last component ("a/b" as "b", with b's contents
// below it); a folder written with a trailing separator ("a/b/") or without
// a last name (".", "..", "a/..") stands for its contents, stored without it. Raises EncoderError for an input that does not exist or
// cannot be read, a name the stub could not create, names differing only in
// case in one folder, and files of 4 GiB or more. The sink, if given, is
// shown each entry as soon as it is found, on the calling thread, before
// every name has been checked against the others.
using EntrySink = std::function<void(const PackEntry& entry)>;
std::vector<PackEntry> gather_entries(const std::vector<std::wstring>& inputs,
                                      const EntrySink& sink = EntrySink());

// Called on the calling thread with the number of input bytes packed since the last call.
using ProgressFn = std::function<void(uint64_t bytes)>;

struct PackSettings {
    int dictionary_bits = 16;  // 13 -lh5-, 15 -lh6-, 16 -lh7-
    Effort effort = Effort::normal;
    bool clamp_times = false;  // SOURCE_DATE_EPOCH: no time after latest
    int64_t latest = 0;
    size_t threads = 1;  // 1: all on the calling thread, no thread made
    ProgressFn progress;
};

// The method id of a dictionary size: "-lh5-", "-lh6-" or "-lh7-".
std::string method_of(int dictionary_bits);

class HeadStart;

// Writes every entry and the terminating zero byte to output (at its
// current position, which must be 0) and returns the archive's length;
// the file may hold stale bytes after it, which the caller cuts off. The
// archive is the same byte for byte whatever the number of threads. A head
// start given the same entries, in order, and finished, adds its pieces.
uint64_t write_archive(const std::vector<PackEntry>& entries, CWinFile& output,
                       const PackSettings& settings, HeadStart* head = nullptr);
