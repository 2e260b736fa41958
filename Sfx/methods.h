// The method ids a member header can name. A member's method index is the
// position of its id in METHOD_NAMES; it is what the engine is given.
#pragma once

#include "member_header.h"

constexpr int METHOD_COUNT = 12;
extern const char METHOD_NAMES[METHOD_COUNT][METHOD_ID_LENGTH + 1];

// The index of the header's method id, or -1 when the id is unknown.
int method_index(const CMemberHeader& member);
