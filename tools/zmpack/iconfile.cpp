#include "tools/zmpack/iconfile.h"

#include "common/littleendian.h"

namespace zmpack {
namespace {

constexpr size_t kDirSize = 6;
constexpr size_t kFileEntrySize = 16;
constexpr size_t kGroupEntrySize = 14;
constexpr size_t kMaxImages = 256;

const uint8_t* At(const std::string& s, size_t offset) {
    return reinterpret_cast<const uint8_t*>(s.data()) + offset;
}

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

bool IsPng(const std::string& d) { return d.compare(0, 8, "\x89PNG\r\n\x1a\n", 8) == 0; }

// A device-independent bitmap as icons hold it: the header, then colours and masks.
bool IsIconBitmap(const std::string& d) {
    if (d.size() < 40 || le::Get32(At(d, 0)) != 40) return false;
    const int32_t w = static_cast<int32_t>(le::Get32(At(d, 4)));
    const int32_t h = static_cast<int32_t>(le::Get32(At(d, 8)));
    const uint16_t bits = le::Get16(At(d, 14));
    return w > 0 && w <= 1024 && h > 0 && h <= 2048 &&
           (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32);
}

}  // namespace

bool ParseIconFile(const std::string& file, std::vector<IconImage>& images, std::string& error) {
    images.clear();
    if (file.size() < kDirSize || le::Get16(At(file, 0)) != 0 || le::Get16(At(file, 2)) != 1) {
        error = "not an icon file (no icon directory at its start)";
        return false;
    }
    const size_t count = le::Get16(At(file, 4));
    if (count == 0 || count > kMaxImages) {
        error = count == 0 ? "the icon file holds no image"
                           : "the icon file lists more images than an icon has";
        return false;
    }
    if ((file.size() - kDirSize) / kFileEntrySize < count) {
        error = "the icon file's directory is cut short";
        return false;
    }
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* e = At(file, kDirSize + i * kFileEntrySize);
        const uint32_t size = le::Get32(e + 8);
        const uint32_t offset = le::Get32(e + 12);
        const std::string which = "the icon file's image " + std::to_string(i + 1);
        if (size == 0 || offset > file.size() || file.size() - offset < size) {
            error = which + " lies outside the file";
            return false;
        }
        IconImage img;
        img.width = e[0];
        img.height = e[1];
        img.colors = e[2];
        img.planes = le::Get16(e + 4);
        img.bit_count = le::Get16(e + 6);
        img.data = file.substr(offset, size);
        if (!IsPng(img.data) && !IsIconBitmap(img.data)) {
            error = which + " is neither a bitmap nor a PNG picture";
            return false;
        }
        images.push_back(std::move(img));
    }
    return true;
}

std::string MakeIconGroup(const std::vector<IconImage>& images, uint16_t first_id) {
    std::string g;
    Put16(g, 0);
    Put16(g, 1);
    Put16(g, static_cast<uint32_t>(images.size()));
    for (size_t i = 0; i < images.size(); ++i) {
        const IconImage& img = images[i];
        g += static_cast<char>(img.width);
        g += static_cast<char>(img.height);
        g += static_cast<char>(img.colors);
        g += '\0';
        Put16(g, img.planes);
        Put16(g, img.bit_count);
        Put32(g, static_cast<uint32_t>(img.data.size()));
        Put16(g, static_cast<uint32_t>(first_id + i));
    }
    return g;
}

std::vector<uint16_t> IconGroupIds(const std::string& group) {
    std::vector<uint16_t> ids;
    if (group.size() < kDirSize || le::Get16(At(group, 2)) != 1) return ids;
    const size_t count = le::Get16(At(group, 4));
    if ((group.size() - kDirSize) / kGroupEntrySize < count) return ids;
    for (size_t i = 0; i < count; ++i)
        ids.push_back(le::Get16(At(group, kDirSize + i * kGroupEntrySize + 12)));
    return ids;
}

}  // namespace zmpack
