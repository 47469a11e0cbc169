// The scenario file that scripts the virtual scanner for tests and demonstrations: one
// "key = value" per line, "#" starts a comment, a text in double quotes keeps its blanks.
// Portable.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tvscan {

// A triplet that answers with a chosen return and condition code instead of doing its work.
struct FailureRule {
  uint32_t group = 0;
  uint16_t dat = 0;
  uint16_t msg = 0;
  uint16_t return_code = 0;
  uint16_t condition_code = 0;
  uint32_t page = 0;  // 0: every time; otherwise only while page N is the page being scanned
  uint16_t cap = 0;   // DAT_CAPABILITY only: 0 any capability, else only requests for this one
};

struct Scenario {
  uint32_t pages = 3;              // pages in the feeder for each batch
  bool pages_given = false;        // the file set `pages` (else a page folder decides)
  bool online = true;              // false: CAP_DEVICEONLINE says off line, enabling fails
  std::string manufacturer;        // overrides the identity's Manufacturer when not empty
  std::string product_name;        // overrides the identity's ProductName when not empty
  std::string inquiry_vendor;      // overrides of the inquiry data (blank-padded to their fields)
  std::string inquiry_product;
  std::string inquiry_revision;
  bool inquiry = true;             // false: the inquiry triplet is not supported
  std::vector<FailureRule> failures;
  uint32_t cancel_page = 0;        // the transfer of this page answers TWRC_CANCEL
  bool unknown_length = false;     // memory mode: DAT_IMAGEINFO announces ImageLength -1
  uint32_t extra_rows = 0;         // memory mode: strips carry this many rows beyond the page
  bool pad_rows = false;           // memory mode: rows padded to 32 bits
  uint32_t gray_bits = 8;          // bits of a grey pixel: 8, or 4 (16 greys)
  bool palette = true;             // false: DAT_PALETTE8 is not supported
  uint32_t fail_strip = 0;         // memory mode: strip N of every page fails (TWCC_OPERATIONERROR)
  uint32_t extra_coded_bytes = 0;  // memory mode: zero bytes sent after the CCITT data
  uint32_t announced_width = 0;    // DAT_IMAGEINFO announces this size instead of the page's
  uint32_t announced_length = 0;   //   (both 0: the page's own)
  bool broken_native_dib = false;  // native DIBs claim four times their rows (beyond their block)
  bool strip_count_unset = false;  // memory mode: strips leave BytesWritten as the application set it
  bool letter = false;             // the paper when the source is opened: Letter, else A4
  std::string page_folder;         // BMP and TIFF files of this folder are the pages, in name order
  std::string trace;               // every triplet and its answer is appended to this file
};

struct ScenarioOutcome {
  bool ok = true;
  uint32_t line = 0;    // line of the first fault
  std::string message;  // what was wrong there
  Scenario scenario;
};

ScenarioOutcome ParseScenario(std::string_view text);

}  // namespace tvscan
