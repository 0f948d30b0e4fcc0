#pragma once
// Icon files (.ico) and the two kinds of resource a program carries them as: one icon resource
// per image and an icon group that lists them (its entries are the file's directory entries with
// a resource number where the file has an offset).
#include <cstdint>
#include <string>
#include <vector>

namespace zmpack {

struct IconImage {
    uint8_t width = 0;  // 0 means 256
    uint8_t height = 0;
    uint8_t colors = 0;
    uint16_t planes = 0;
    uint16_t bit_count = 0;
    std::string data;  // a bitmap without its file header, or a PNG file
};

// False, with a message naming what is wrong, for a file that is no icon file, has no image, or
// whose images lie outside it or are neither bitmaps nor PNG pictures.
bool ParseIconFile(const std::string& file, std::vector<IconImage>& images, std::string& error);

// The icon group for images that are stored as icon resources first_id, first_id + 1, ...
std::string MakeIconGroup(const std::vector<IconImage>& images, uint16_t first_id);

// The resource numbers an icon group lists; empty when it does not read as one.
std::vector<uint16_t> IconGroupIds(const std::string& group);

}  // namespace zmpack
