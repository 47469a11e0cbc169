// What capability negotiation leaves behind for later stages: the answers of the start-up probe
// of the extended capabilities, and the rules that turn settings into capability values.
#pragma once

#include <windows.h>

#include "protocol/twain_protocol.h"

namespace quill {

class TwainConnection;

// One extended capability the start-up probe asks the default source about, and its answer.
struct ExtendedCapabilityRow {
  TW_UINT16 capability;
  int (TwainConnection::*query)();
  int supported;  // 1 when the latest probe found it supported
};

// Rows in probing order (job control, duplex, enabling the dialog alone), ending with a row whose
// capability is kExtendedCapabilityTerminator.
extern ExtendedCapabilityRow ExtendedCapabilityTable[];
constexpr TW_UINT16 kExtendedCapabilityTerminator = 9999;

// The probe's answer for `capability`; 0 for a capability it does not ask about.
int IsExtendedCapabilitySupported(TW_UINT16 capability);

// File numbers wrap at 10 to the power of the digit count. A digit count outside 1 to 5 (a
// FileNumDigit outside 0 to 4, e.g. from an edited registry) is taken as the nearest of them, so
// the modulus is never 0 and the numbering never divides by it.
DWORD FileNumberModulus(LONG fileNumDigit);

// ICAP_COMPRESSION value for the `Compress` setting; TWCP_NONE for an unknown one.
TW_UINT16 CompressionCode(LONG compress);

// ICAP_XFERMECH value for the `ScanMech` setting (0 native, 1 memory, 2 file). The protocol
// numbers memory 2 and file 1, so the setting is translated, not sent as it is. Values the
// setting does not define are passed on for the source to refuse.
TW_UINT16 TransferMechanism(LONG scanMech);

}  // namespace quill
