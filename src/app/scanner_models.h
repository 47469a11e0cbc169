// The maker's scanner models that the About box can name, and the reading of the scanner's
// inquiry block into the text it shows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

namespace quill {

// The area handed to the scanner for its inquiry block. The fields we read end at byte 36, but
// the block's own length byte allows up to 5 + 255 bytes, and a scanner may send all of them.
constexpr std::size_t kInquiryAreaBytes = 260;

// A product-id prefix and the string id of the model's display name. The table ends with a row
// without a prefix.
struct ScannerModel {
  const char* prefix;
  UINT nameId;
};

constexpr std::size_t kScannerModelRows = 37;
extern const ScannerModel kSupportedScanners[kScannerModelRows];

// The display name's string id of the first row whose prefix begins `product`; 0 when no row
// does. Longer prefixes come first in the table, so the first match is the most specific one.
UINT LookUpScannerName(const char* product);

// "NAME Rev. REVISION" for an inquiry block of the maker's scanner of a known model; empty for
// any other block, also for one that says it is too short to hold the product fields.
std::string DescribeInquiry(const unsigned char* block, std::size_t size);

}  // namespace quill
