#include "app/scanner_models.h"

#include <cstring>

#include "res/resource.h"
#include "framework/resources.h"

namespace quill {
namespace {

// SCSI INQUIRY data: byte 4 counts the bytes that follow it.
constexpr std::size_t kAdditionalLengthByte = 4;
constexpr std::size_t kVendorOffset = 8, kVendorBytes = 8;
constexpr std::size_t kProductOffset = 16, kProductBytes = 16;
constexpr std::size_t kRevisionOffset = 32, kRevisionBytes = 4;

// Blank-padded as the scanners send it: "TALVORN" followed by anything else is another vendor.
const char kOurVendor[] = "TALVORN ";

// A field of the block as a terminated text; a NUL inside the field ends it early.
std::string Field(const unsigned char* block, std::size_t offset, std::size_t bytes) {
  const char* start = reinterpret_cast<const char*>(block + offset);
  std::size_t length = 0;
  while (length < bytes && start[length] != '\0') ++length;
  return std::string(start, length);
}

}  // namespace

// Where one prefix extends another, the longer row comes first.
const ScannerModel kSupportedScanners[kScannerModelRows] = {
    {"TV-DS4500V", IDS_MODEL_DS4500V},
    {"TV-DS4500", IDS_MODEL_DS4500},
    {"TV-DS4200", IDS_MODEL_DS4200},
    {"TV-DS3800D", IDS_MODEL_DS3800D},
    {"TV-DS3800", IDS_MODEL_DS3800},
    {"TV-DS3000", IDS_MODEL_DS3000},
    {"TV-DS2600", IDS_MODEL_DS2600},
    {"TV-DS2100", IDS_MODEL_DS2100},
    {"TV-DS1500", IDS_MODEL_DS1500},
    {"TV-FB1200C", IDS_MODEL_FB1200C},
    {"TV-FB1200", IDS_MODEL_FB1200},
    {"TV-FB900", IDS_MODEL_FB900},
    {"TV-FB600", IDS_MODEL_FB600},
    {"TV-FB300", IDS_MODEL_FB300},
    {"TV-HS7000AD", IDS_MODEL_HS7000AD},
    {"TV-HS7000", IDS_MODEL_HS7000},
    {"TV-HS6000", IDS_MODEL_HS6000},
    {"TV-HS5000", IDS_MODEL_HS5000},
    {"TV-MF820", IDS_MODEL_MF820},
    {"TV-MF410", IDS_MODEL_MF410},
    {"TV-PS250", IDS_MODEL_PS250},
    {"TV-PS120", IDS_MODEL_PS120},
    {"TV-CS1000", IDS_MODEL_CS1000},
    {"TV-CS500", IDS_MODEL_CS500},
    {"TV-LF3600", IDS_MODEL_LF3600},
    {"TV-LF2400", IDS_MODEL_LF2400},
    {"TV-BK800", IDS_MODEL_BK800},
    {"TV-BK400", IDS_MODEL_BK400},
    {"TV-ID300", IDS_MODEL_ID300},
    {"TV-NT5000", IDS_MODEL_NT5000},
    {"TV-NT3000", IDS_MODEL_NT3000},
    {"TALVORN-EVAL", IDS_MODEL_EVAL},
    {"TV-DS9", IDS_MODEL_DS9},
    {"TV-SC2000", IDS_MODEL_SC2000},
    {"TV-SC1000", IDS_MODEL_SC1000},
    {"TV-RX100", IDS_MODEL_RX100},
    {nullptr, 0},
};

UINT LookUpScannerName(const char* product) {
  for (const ScannerModel* row = kSupportedScanners; row->prefix; ++row) {
    if (std::strncmp(product, row->prefix, std::strlen(row->prefix)) == 0) return row->nameId;
  }
  return 0;
}

std::string DescribeInquiry(const unsigned char* block, std::size_t size) {
  const std::size_t fieldsEnd = kRevisionOffset + kRevisionBytes;
  if (!block || size < fieldsEnd) return std::string();
  // A scanner that says its data end before the revision has not filled the fields we read.
  if (kAdditionalLengthByte + 1 + block[kAdditionalLengthByte] < fieldsEnd) return std::string();
  if (std::memcmp(block + kVendorOffset, kOurVendor, kVendorBytes) != 0) return std::string();
  const UINT nameId = LookUpScannerName(Field(block, kProductOffset, kProductBytes).c_str());
  if (nameId == 0) return std::string();
  return qfw::LoadResourceString(nameId) + " " + qfw::LoadResourceString(IDS_REVISION) + " " +
         Field(block, kRevisionOffset, kRevisionBytes);
}

}  // namespace quill
