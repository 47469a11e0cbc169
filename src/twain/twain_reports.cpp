#include "twain/twain_reports.h"

#include "framework/message_box.h"
#include "res/resource.h"
#include "framework/application.h"
#include "framework/resources.h"
#include "res/twain_ids.h"

namespace quill {
namespace {

// The reports compose their text in a buffer of this size, terminator included.
constexpr std::size_t kReportCapacity = 1024;

void ShowExclamation(const std::string& text, const char* caption) {
  qfw::ShowMessageBox(nullptr, text.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
}

std::string Bounded(std::string text) {
  if (text.size() >= kReportCapacity) text.resize(kReportCapacity - 1);
  return text;
}

}  // namespace

const ConditionCodeRow ConditionCodeTable[] = {
    {TWCC_SUCCESS, IDS_TWCC_SUCCESS, "TWCC_SUCCESS"},
    {TWCC_BUMMER, IDS_TWCC_BUMMER, "TWCC_BUMMER"},
    {TWCC_LOWMEMORY, IDS_TWCC_LOWMEMORY, "TWCC_LOWMEMORY"},
    {TWCC_NODS, IDS_TWCC_NODS, "TWCC_NODS"},
    {TWCC_MAXCONNECTIONS, IDS_TWCC_MAXCONNECTIONS, "TWCC_MAXCONNECTIONS"},
    {TWCC_OPERATIONERROR, IDS_TWCC_OPERATIONERROR, "TWCC_OPERATIONERROR"},
    {TWCC_BADCAP, IDS_TWCC_BADCAP, "TWCC_BADCAP"},
    {TWCC_BADPROTOCOL, IDS_TWCC_BADPROTOCOL, "TWCC_BADPROTOCOL"},
    {TWCC_BADVALUE, IDS_TWCC_BADVALUE, "TWCC_BADVALUE"},
    {TWCC_SEQERROR, IDS_TWCC_SEQERROR, "TWCC_SEQERROR"},
    {TWCC_BADDEST, IDS_TWCC_BADDEST, "TWCC_BADDEST"},
    {TWCC_CAPUNSUPPORTED, IDS_TWCC_CAPUNSUPPORTED, "TWCC_CAPUNSUPPORTED"},
    {TWCC_CAPBADOPERATION, IDS_TWCC_CAPBADOPERATION, "TWCC_CAPBADOPERATION"},
    {TWCC_CAPSEQERROR, IDS_TWCC_CAPSEQERROR, "TWCC_CAPSEQERROR"},
    {kConditionCodeTerminator, IDS_TWCC_BUMMER, nullptr},
};

UINT ConditionCodeMessageId(TW_UINT16 code) {
  const ConditionCodeRow* row = ConditionCodeTable;
  while (row->code != kConditionCodeTerminator && row->code != code) ++row;
  return row->messageId;
}

std::string ComposeErrorReport(UINT messageId, UINT detailId, TW_UINT16 conditionCode) {
  const bool settingFailed = messageId == IDS_TWAIN_SETUP_FAILED;
  std::string text = qfw::LoadResourceString(settingFailed ? IDS_TWAIN_SETUP_ERROR : IDS_TWAIN_INTERFACE_ERROR);
  text += qfw::LoadResourceString(messageId);
  if (settingFailed) {
    text += "\n";
    text += qfw::LoadResourceString(detailId);
    text += " : ";
  }
  text += "\n  ";
  text += qfw::LoadResourceString(ConditionCodeMessageId(conditionCode));
  text += "\n";
  return Bounded(std::move(text));
}

void ShowErrorReport(UINT messageId, UINT detailId, TW_UINT16 conditionCode) {
  const std::string caption = qfw::LoadResourceString(IDS_APP_TITLE);
  ShowExclamation(ComposeErrorReport(messageId, detailId, conditionCode), caption.c_str());
}

void ReportTraceError(const char* dataGroup, const char* dataArgumentType, const char* message) {
  std::string text = qfw::LoadResourceString(IDS_TRACE_ERROR);
  text += dataGroup;
  text += " / ";
  text += dataArgumentType;
  text += " / ";
  text += message;
  ShowExclamation(Bounded(std::move(text)), nullptr);
}

void ReportOutOfMemory() { ShowExclamation(Bounded(qfw::LoadResourceString(IDS_OUT_OF_MEMORY)), nullptr); }

}  // namespace quill
