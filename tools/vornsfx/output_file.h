// The file build writes. It is written under a temporary name in the output's
// own folder and renamed into place only once complete, so a build that fails
// at any step leaves neither a half-written output nor a stray temporary file,
// and an output that existed before stays as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "text/win_file.h"

// Refuses (ToolError) an output that is a folder, or the same file as one of
// read_files (the inputs, the stub, the builder itself): replacing it would
// destroy what the build reads.
void refuse_unsafe_output(const std::wstring& output, const std::vector<std::wstring>& read_files);

// -n: refuses (ToolError) an output that exists, a link to one included.
void refuse_existing_output(const std::wstring& output);

// A symbolic link as output is followed: the file it points to is replaced
// and the link stays. A file replaced keeps its permissions.
class OutputFile {
public:
    // Creates the temporary file; raises ToolError when it cannot.
    explicit OutputFile(const std::wstring& path);
    // Removes the temporary file unless commit() moved it into place.
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Raises ToolError when not every byte could be written.
    void write(const void* data, size_t size);
    // Cuts the file to length bytes (a writer that went back over its tail).
    void cut(uint64_t length);
    CWinFile& file() { return file_; }
    // Closes the file, so that it can be read, and keeps it until the end.
    void close() { file_.close(); }
    // Closes the file and renames it to the output's name.
    void commit();

    const std::wstring& temporary_path() const { return temporary_; }

private:
    std::wstring path_;
    std::wstring temporary_;
    std::string name_;  // the output's name for messages
    CWinFile file_;
    bool committed_ = false;
};
