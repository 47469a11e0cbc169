// The message boxes that report TWAIN failures, and the texts of the TWAIN condition codes.
// Every text comes from the string table of the current resource handle.
#pragma once

#include <windows.h>

#include <string>

#include "protocol/twain_protocol.h"

namespace quill {

// One TWAIN condition code and the string id of its message. The name is for readers only.
struct ConditionCodeRow {
  TW_UINT16 code;
  UINT messageId;
  const char* name;
};

// Rows in code order, ending with the terminator row (code kConditionCodeTerminator).
extern const ConditionCodeRow ConditionCodeTable[];
constexpr TW_UINT16 kConditionCodeTerminator = 9999;

// String id of the message for `code`; a code without a row gets the terminator's message.
UINT ConditionCodeMessageId(TW_UINT16 code);

// The text of the general report: heading, the failed operation `messageId` (with `detailId` when
// the operation is a capability setting) and the message of `conditionCode`. At most 1023
// characters.
std::string ComposeErrorReport(UINT messageId, UINT detailId, TW_UINT16 conditionCode);

// Shows the general report with the application title as caption.
void ShowErrorReport(UINT messageId, UINT detailId, TW_UINT16 conditionCode);

// Names the triplet of a failed transfer call, e.g. "DG_IMAGE", "DAT_IMAGEINFO", "MSG_GET".
void ReportTraceError(const char* dataGroup, const char* dataArgumentType, const char* message);

void ReportOutOfMemory();

}  // namespace quill
