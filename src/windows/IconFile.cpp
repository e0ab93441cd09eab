#include "IconFile.h"

#include <cerrno>
#include <fstream>
#include <stdexcept>

#include "FileErrors.h"

namespace {
void Put16(std::vector<unsigned char>& out, uint32_t value) {
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}
void Put32(std::vector<unsigned char>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::vector<unsigned char> BitmapOf(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width(), h = image.height();
    const int maskStride = ((w + 31) / 32) * 4;
    std::vector<unsigned char> out;
    Put32(out, 40);
    Put32(out, w);
    Put32(out, h * 2); // the colour rows and the mask rows
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, 0);
    Put32(out, w * h * 4 + maskStride * h);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            out.push_back(qBlue(line[x]));
            out.push_back(qGreen(line[x]));
            out.push_back(qRed(line[x]));
            out.push_back(qAlpha(line[x]));
        }
    }
    for (int y = h - 1; y >= 0; --y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        std::vector<unsigned char> row(maskStride, 0);
        for (int x = 0; x < w; ++x)
            if (qAlpha(line[x]) == 0) row[x / 8] |= 0x80 >> (x % 8);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}
} // namespace

std::vector<unsigned char> IcoFileBytes(const std::vector<QImage>& pictures) {
    std::vector<std::vector<unsigned char>> bitmaps;
    for (const QImage& picture : pictures) {
        if (picture.isNull() || picture.width() > 256 || picture.height() > 256)
            throw std::invalid_argument("An icon picture must be 1 to 256 pixels wide and high");
        bitmaps.push_back(BitmapOf(picture));
    }
    std::vector<unsigned char> out;
    Put16(out, 0);
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(pictures.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        out.push_back(pictures[i].width() == 256 ? 0 : pictures[i].width());
        out.push_back(pictures[i].height() == 256 ? 0 : pictures[i].height());
        out.push_back(0);
        out.push_back(0);
        Put16(out, 1);
        Put16(out, 32);
        Put32(out, static_cast<uint32_t>(bitmaps[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(bitmaps[i].size());
    }
    for (const auto& bitmap : bitmaps)
        out.insert(out.end(), bitmap.begin(), bitmap.end());
    return out;
}

void WriteIcoFile(const std::string& path, const std::vector<QImage>& pictures) {
    const auto bytes = IcoFileBytes(pictures);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw EFCreateError(FileCreateErrorMessage(path, errno));
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw EFCreateError(FileCreateErrorMessage(path, errno));
}
