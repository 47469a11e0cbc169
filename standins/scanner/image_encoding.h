// The forms in which a page leaves the scanner: a packed DIB, a BMP or TIFF file, raw rows for
// memory strips, CCITT-coded data. Portable (the DIB is laid out byte by byte).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scanner/page_generator.h"

namespace tvscan {

constexpr size_t kDibHeaderBytes = 40;

// Entries of the colour table a DIB (and a TIFF colour map) of this page carries.
std::vector<Colour> ColourTable(const PageSettings& settings);

// A packed DIB: BITMAPINFOHEADER, colour table, rows bottom-up padded to 32 bits, BGR order.
std::vector<uint8_t> BuildDib(const Raster& raster, const PageSettings& settings);

// A BMP file of that DIB.
std::vector<uint8_t> BuildBmpFile(const std::vector<uint8_t>& dib);

// CCITT coding of a bilevel page by TWAIN compression (TWCP_GROUP31D ... TWCP_GROUP4); empty when
// the compression is not a CCITT one or the raster is not bilevel.
std::vector<uint8_t> EncodeCcitt(const Raster& raster, uint16_t compression, unsigned k_factor,
                                 bool vanilla);

// The kestrel coding mode the TWAIN compression maps to (0 none).
uint8_t CodingModeOf(uint16_t compression);

// Writes a TIFF file (uncompressed, or CCITT-coded for bilevel pages); false when it cannot.
bool WriteTiffFile(const std::string& name, const Raster& raster, const PageSettings& settings,
                   uint16_t compression, unsigned k_factor);

bool WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes);

}  // namespace tvscan
