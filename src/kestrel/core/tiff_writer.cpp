#include "kestrel/core/tiff_writer.h"

#include <algorithm>

#include "base/byte_order.h"
#include "base/tiff_codes.h"

namespace kestrel {
namespace {

using namespace tiff_codes;
using byte_order::AppendLittle16;
using byte_order::AppendLittle32;

// Collects entries in tag order; values longer than four bytes go to a block behind the
// directory, whose position is known once the number of entries is.
class DirectoryBuilder {
public:
    void add(uint16_t tag, uint16_t type, std::vector<uint32_t> values) {
        entries_.push_back(Entry{tag, type, std::move(values)});
    }

    std::vector<uint8_t> build(uint32_t directoryOffset) const {
        const uint32_t extraOffset = directoryOffset + 2 + 12 * static_cast<uint32_t>(entries_.size()) + 4;
        std::vector<uint8_t> directory;
        std::vector<uint8_t> extra;
        AppendLittle16(directory, static_cast<uint16_t>(entries_.size()));
        for (const Entry& e : entries_) {
            AppendLittle16(directory, e.tag);
            AppendLittle16(directory, e.type);
            const uint32_t count = e.type == kTypeRational ? static_cast<uint32_t>(e.values.size() / 2)
                                                           : static_cast<uint32_t>(e.values.size());
            AppendLittle32(directory, count);
            std::vector<uint8_t> data;
            for (uint32_t v : e.values)
                e.type == kTypeShort ? AppendLittle16(data, static_cast<uint16_t>(v)) : AppendLittle32(data, v);
            if (data.size() <= 4) {
                data.resize(4, 0);
                directory.insert(directory.end(), data.begin(), data.end());
            } else {
                AppendLittle32(directory, extraOffset + static_cast<uint32_t>(extra.size()));
                extra.insert(extra.end(), data.begin(), data.end());
            }
        }
        AppendLittle32(directory, 0); // no further image
        directory.insert(directory.end(), extra.begin(), extra.end());
        return directory;
    }

private:
    struct Entry {
        uint16_t tag, type;
        std::vector<uint32_t> values;
    };
    std::vector<Entry> entries_;
};

uint16_t compressionOf(CodingMode mode) {
    switch (mode) {
    case CodingMode::ModifiedHuffman: return kCompressionModifiedHuffman;
    case CodingMode::Group3FilledEol:
    case CodingMode::Group3OneDim:
    case CodingMode::Group3TwoDim: return kCompressionGroup3;
    case CodingMode::Group4: return kCompressionGroup4;
    case CodingMode::None: break;
    }
    return kCompressionNone;
}

uint16_t photometricOf(const TiffImage& image) {
    if (image.bitsPerPixel == 24) return kPhotometricRgb;
    if (image.bitsPerPixel != 1 && !image.palette.empty()) return kPhotometricPalette;
    return image.whiteIsZero ? kPhotometricWhiteIsZero : kPhotometricBlackIsZero;
}

std::vector<uint32_t> colorMapOf(const TiffImage& image) {
    const size_t n = size_t{1} << image.bitsPerPixel;
    std::vector<uint32_t> map(3 * n, 0);
    for (size_t i = 0; i < std::min(n, image.palette.size()); ++i) {
        map[i] = image.palette[i].red * 257u;
        map[n + i] = image.palette[i].green * 257u;
        map[2 * n + i] = image.palette[i].blue * 257u;
    }
    return map;
}

void addResolution(DirectoryBuilder& d, const TiffImage& image) {
    const bool known = image.xDpi && image.yDpi;
    d.add(kTagXResolution, kTypeRational, {known ? image.xDpi : 1u, 1});
    d.add(kTagYResolution, kTypeRational, {known ? image.yDpi : 1u, 1});
}

} // namespace

size_t tiffRowBytes(uint32_t width, uint8_t bitsPerPixel) {
    return static_cast<size_t>((uint64_t{width} * bitsPerPixel + 7) / 8);
}

TiffFrame tiffFrame(const TiffImage& image, uint32_t stripBytes) {
    const bool rgb = image.bitsPerPixel == 24;
    const uint16_t sampleBits = rgb ? 8 : image.bitsPerPixel;
    DirectoryBuilder d;
    d.add(kTagImageWidth, kTypeLong, {image.width});
    d.add(kTagImageLength, kTypeLong, {image.height});
    d.add(kTagBitsPerSample, kTypeShort, rgb ? std::vector<uint32_t>{8, 8, 8} : std::vector<uint32_t>{sampleBits});
    d.add(kTagCompression, kTypeShort, {compressionOf(image.coding)});
    d.add(kTagPhotometric, kTypeShort, {photometricOf(image)});
    d.add(kTagFillOrder, kTypeShort, {kFillOrderHighBitFirst});
    const uint32_t stripOffset = 8;
    d.add(kTagStripOffsets, kTypeLong, {stripOffset});
    d.add(kTagSamplesPerPixel, kTypeShort, {rgb ? 3u : 1u});
    d.add(kTagRowsPerStrip, kTypeLong, {image.height});
    d.add(kTagStripByteCounts, kTypeLong, {stripBytes});
    addResolution(d, image);
    if (compressionOf(image.coding) == kCompressionGroup3) {
        const uint32_t options = image.coding == CodingMode::Group3TwoDim      ? kT4TwoDimensional
                                 : image.coding == CodingMode::Group3FilledEol ? kT4FillBits
                                                                               : 0u;
        d.add(kTagT4Options, kTypeLong, {options});
    }
    if (image.coding == CodingMode::Group4) d.add(kTagT6Options, kTypeLong, {0});
    d.add(kTagResolutionUnit, kTypeShort, {image.xDpi && image.yDpi ? kResolutionUnitInch : kResolutionUnitNone});
    if (photometricOf(image) == kPhotometricPalette) d.add(kTagColorMap, kTypeShort, colorMapOf(image));

    // Header, then the strip, then the directory on a word boundary.
    const uint32_t directoryOffset = (stripOffset + stripBytes + 1) & ~1u;
    TiffFrame frame;
    frame.header = {'I', 'I', 42, 0};
    AppendLittle32(frame.header, directoryOffset);
    frame.directory = d.build(directoryOffset);
    if (directoryOffset != stripOffset + stripBytes) frame.directory.insert(frame.directory.begin(), 0);
    return frame;
}

bool writeTiff(OutputFile& file, const TiffImage& image, ConstByteSpan strip) {
    if (strip.size > UINT32_MAX - 4096) return false;
    const TiffFrame frame = tiffFrame(image, static_cast<uint32_t>(strip.size));
    return file.write(ConstByteSpan{frame.header.data(), frame.header.size()}) && file.write(strip) &&
           file.write(ConstByteSpan{frame.directory.data(), frame.directory.size()}) && file.commit();
}

} // namespace kestrel
