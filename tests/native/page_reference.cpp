// Writes one of the virtual scanner's black-and-white pages as a PGM image (0 black, 255 white),
// for comparing files the program wrote with what the scanner sent:
//   page_reference PAGE DPI [letter] > page.pgm
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "scanner/page_generator.h"

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s PAGE DPI [letter]\n", argv[0]);
    return 2;
  }
  tvscan::PageSettings settings;
  settings.dpi = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  if (argc > 3 && std::strcmp(argv[3], "letter") == 0) settings.paper = tvscan::PaperSize::Letter;
  const tvscan::Raster page = tvscan::GeneratePage(static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10)), settings);
  std::printf("P5\n%u %u\n255\n", page.width, page.height);
  for (uint32_t y = 0; y < page.height; ++y) {
    const uint8_t* row = page.Row(y);
    for (uint32_t x = 0; x < page.width; ++x) {
      // Chocolate: a 0 bit is the darkest value.
      const bool white = (row[x / 8] >> (7 - x % 8)) & 1;
      std::fputc(white ? 255 : 0, stdout);
    }
  }
  return 0;
}
