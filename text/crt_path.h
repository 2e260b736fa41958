// The C runtime's path splitter and joiner (_wsplitpath_s, _wmakepath_s).
// On Windows these are the runtime's own; elsewhere a faithful copy stands in,
// so path handling behaves the same in native tests and in the stub.
#pragma once

#include <cstddef>

// Returns 0 on success. When a component does not fit its buffer every buffer
// is left empty and the result is non-zero.
int crt_split_path(const wchar_t* path, wchar_t* drive, size_t drive_units,
                   wchar_t* directory, size_t directory_units,
                   wchar_t* name, size_t name_units,
                   wchar_t* extension, size_t extension_units);

// Joins the parts (any may be null) into out. A folder without a trailing
// separator gets '\'; an extension without its dot gets one. Returns 0 on
// success; when the result does not fit, out is left empty and non-zero returned.
int crt_make_path(wchar_t* out, size_t out_units, const wchar_t* drive,
                  const wchar_t* directory, const wchar_t* name, const wchar_t* extension);
