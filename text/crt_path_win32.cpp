#include "crt_path.h"

#include <stdlib.h>

int crt_split_path(const wchar_t* path, wchar_t* drive, size_t drive_units,
                   wchar_t* directory, size_t directory_units,
                   wchar_t* name, size_t name_units,
                   wchar_t* extension, size_t extension_units) {
    return _wsplitpath_s(path, drive, drive_units, directory, directory_units, name, name_units,
                         extension, extension_units);
}

int crt_make_path(wchar_t* out, size_t out_units, const wchar_t* drive,
                  const wchar_t* directory, const wchar_t* name, const wchar_t* extension) {
    return _wmakepath_s(out, out_units, drive, directory, name, extension);
}
