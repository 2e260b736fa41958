#include "methods.h"

#include <cstring>

const char METHOD_NAMES[METHOD_COUNT][METHOD_ID_LENGTH + 1] = {
    "-lh0-", "-lh1-", "-lh2-", "-lh3-", "-lh4-", "-lh5-",
    "-lh6-", "-lh7-", "-lzs-", "-lz5-", "-lz4-", "-lhd-",
};

int method_index(const CMemberHeader& member) {
    for (int i = 0; i < METHOD_COUNT; ++i)
        if (std::memcmp(member.method, METHOD_NAMES[i], METHOD_ID_LENGTH) == 0) return i;
    return -1;
}
