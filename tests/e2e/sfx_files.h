// The self-extracting files of the end-to-end tests: a copy of the stub as
// built, a configuration block, and an LHA archive made from corpus archives
// and members written here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Sfx/config.h"
#include "support/files.h"

// The stub as built (VORNSFX_STUB); exactly PAYLOAD_OFFSET bytes.
Bytes stub_image();

// A committed corpus archive (VORNSFX_CORPUS).
Bytes corpus_archive(const std::wstring& file_name);

// An archive: the members in order, then the end-of-archive byte. A corpus
// archive brings its own end byte, so it can stand last instead: archive(
// {member, member}, corpus_archive(...)).
Bytes archive(const std::vector<Bytes>& members, const Bytes& tail = Bytes(1, 0));

// A stored level-2 member with its real CRC-16, or (damaged) one that does
// not match the data.
Bytes stored(const std::string& name, const Bytes& data, bool damaged = false);
// A -lh5- member of zero bytes; size is 1 + a multiple of 256. Its codes cost
// no bits, so gigabytes of output take a few kilobytes of archive.
Bytes zeros_lh5(const std::string& name, uint32_t size);
// The tests' marker program (VORNSFX_RUN_MARKER), stored under name.
Bytes marker_member(const std::string& name);

// The encoded block.
Bytes block_bytes(const CConfigBlock& block);

// stub + block + archive, written to path.
void write_sfx(const std::wstring& path, const Bytes& block, const Bytes& archive_bytes);
