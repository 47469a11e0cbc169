#include "scan_settings.h"
#include "transfer_output.h"
#include "twain_connection.h"

namespace quill {
namespace {

// 10 to the power (FileNumDigit + 1); 0 when the digit count is outside what 32 bits can number.
DWORD FileNumberModulus(LONG fileNumDigit) {
  if (fileNumDigit < 0 || fileNumDigit > 8) return 0;
  DWORD modulus = 1;
  for (LONG digit = 0; digit <= fileNumDigit; ++digit) modulus *= 10;
  return modulus;
}

}  // namespace

// The capabilities are not negotiated yet: the source is enabled with what it has. The file
// numbering starts here all the same, because disabling the source stores the running number.
void TwainConnection::NegotiateCapabilities() {
  ScanSettings& settings = TheSettings();
  RunningFileNumber = settings.FileIdNumber;
  settings.FileNumModulus = FileNumberModulus(settings.FileNumDigit);
}

// The extended capabilities are not probed yet.
void TwainConnection::ProbeExtendedCapabilities() {}

}  // namespace quill
