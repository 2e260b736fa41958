// Member headers for tests: the product's header writer (encoder/), plus
// whole members and the ANSI extensions made from plain text.
#pragma once

#include <initializer_list>
#include <string>

#include "encoder/header_writer.h"
#include "files.h"

Extension name_extension(const std::string& ansi_name);

// A whole member: the header of fields, named ansi_name (levels 0 and 1 in
// the base part, level 2 in an extended header), with data as its packed data.
Bytes member_with(HeaderFields fields, const std::string& ansi_name, const Bytes& data);
// A sound stored member of that level: sizes and CRC-16 from data.
Bytes stored_member(int level, const std::string& ansi_name, const Bytes& data);

// An empty "-lhd-" member as Unix LHA tools store a symbolic link: named
// "link|target", the link file type in its Unix mode (level 0 in the Unix
// extension area, whole with uid and gid, which readers insist on; levels 1
// and 2 in an extended header 0x50); with
// link false the same member with an ordinary file's mode. Another os_id
// makes the same bytes come from another system.
Bytes unix_link_member(int level, const std::string& link_and_target, bool link = true,
                       uint8_t os_id = 'U');

// The parts one after another.
Bytes concat(std::initializer_list<Bytes> parts);

Bytes ascii(const std::string& text);
