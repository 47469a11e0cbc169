// BMP and TIFF files read as colour pictures, for a scanner that feeds the files of a folder as
// its pages. Portable. Every size in a file is checked before it is used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scanner/page_generator.h"

namespace tvscan {

struct Picture {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<Colour> pixels;  // top-down
};

// Uncompressed BMP (1, 4, 8, 24, 32 bits) or TIFF (uncompressed 1, 4, 8, 24 bits, or CCITT
// bilevel). False with `problem` set when the file is not one of these or is damaged.
bool ReadPicture(const std::vector<uint8_t>& bytes, Picture& picture, std::string& problem);

// Whether a file name has an extension of a picture the scanner feeds (.bmp, .tif, .tiff).
bool IsPictureName(const std::string& name);

}  // namespace tvscan
