// The table apart from the byte steps (crc32_*.cpp): a program that only computes sums does not
// carry it. It is zlib's own, which the zlib build runs on as well.
#include <zlib.h>

#include "engine/crc32.h"

static_assert(sizeof(z_crc_t) == sizeof(uint32_t), "zlib's table entries are 32 bits");

const uint32_t* Crc32Table() { return reinterpret_cast<const uint32_t*>(get_crc_table()); }
