#include "recording_dsm.h"

#include <cstring>

namespace quill {
namespace {

RecordingDsm* current = nullptr;

std::string DatName(TW_UINT16 dat) {
  switch (dat) {
    case DAT_CAPABILITY: return "CAPABILITY";
    case DAT_EVENT: return "EVENT";
    case DAT_IDENTITY: return "IDENTITY";
    case DAT_PARENT: return "PARENT";
    case DAT_PENDINGXFERS: return "PENDINGXFERS";
    case DAT_STATUS: return "STATUS";
    case DAT_USERINTERFACE: return "USERINTERFACE";
    case DAT_IMAGEINFO: return "IMAGEINFO";
    case DAT_IMAGENATIVEXFER: return "IMAGENATIVEXFER";
    case DAT_IMAGEMEMXFER: return "IMAGEMEMXFER";
    case DAT_IMAGEFILEXFER: return "IMAGEFILEXFER";
    default: return std::to_string(dat);
  }
}

std::string MsgName(TW_UINT16 msg) {
  switch (msg) {
    case MSG_GET: return "GET";
    case MSG_GETDEFAULT: return "GETDEFAULT";
    case MSG_SET: return "SET";
    case MSG_RESET: return "RESET";
    case MSG_OPENDSM: return "OPENDSM";
    case MSG_CLOSEDSM: return "CLOSEDSM";
    case MSG_OPENDS: return "OPENDS";
    case MSG_CLOSEDS: return "CLOSEDS";
    case MSG_USERSELECT: return "USERSELECT";
    case MSG_DISABLEDS: return "DISABLEDS";
    case MSG_ENABLEDS: return "ENABLEDS";
    case MSG_ENABLEDSUIONLY: return "ENABLEDSUIONLY";
    case MSG_PROCESSEVENT: return "PROCESSEVENT";
    case MSG_ENDXFER: return "ENDXFER";
    default: return std::to_string(msg);
  }
}

void CopyField(char* field, std::size_t capacity, const std::string& text) {
  std::memset(field, 0, capacity);
  std::memcpy(field, text.data(), text.size() < capacity ? text.size() : capacity - 1);
}

}  // namespace

std::string DsmCall::Name() const {
  return std::string(destination ? "DS " : "DSM ") + DatName(dat) + "/" + MsgName(msg);
}

RecordingDsm::RecordingDsm() : previous_(current) { current = this; }

RecordingDsm::~RecordingDsm() { current = previous_; }

DSMENTRYPROC RecordingDsm::Loader(qfw::UniqueModule&) {
  if (!current || current->loadFails) return nullptr;
  ++current->loads;
  return &RecordingDsm::Entry;
}

void RecordingDsm::Answer(TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 returnCode) {
  answers_[{dat, msg}] = returnCode;
}

std::vector<std::string> RecordingDsm::Names() const {
  std::vector<std::string> names;
  for (const DsmCall& call : calls) names.push_back(call.Name());
  return names;
}

TW_UINT16 WINAPI RecordingDsm::Entry(pTW_IDENTITY origin, pTW_IDENTITY destination,
                                     TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                     TW_MEMREF data) {
  current->calls.push_back({origin, destination, group, dat, msg, data});
  return current->Respond(current->calls.back());
}

TW_UINT16 RecordingDsm::Respond(const DsmCall& call) {
  TW_UINT16 returnCode = TWRC_SUCCESS;
  if (call.dat == DAT_STATUS) {
    static_cast<TW_STATUS*>(call.data)->ConditionCode = conditionCode;
  } else if (call.dat == DAT_EVENT) {
    auto* event = static_cast<TW_EVENT*>(call.data);
    lastEventMessage = event->pEvent;
    event->TWMessage = events.empty() ? TW_UINT16(MSG_NULL) : events.front();
    if (!events.empty()) events.pop_front();
    returnCode = TWRC_NOTDSEVENT;
  } else if (call.dat == DAT_PENDINGXFERS && call.msg == MSG_ENDXFER) {
    static_cast<TW_PENDINGXFERS*>(call.data)->Count = pendingCount;
  } else if (call.dat == DAT_PARENT) {
    lastParent = *static_cast<HWND*>(call.data);
  } else if (call.dat == DAT_USERINTERFACE && call.msg == MSG_ENABLEDS) {
    enabledShowUI = static_cast<TW_USERINTERFACE*>(call.data)->ShowUI;
  } else if (call.dat == DAT_IDENTITY && call.msg == MSG_GETDEFAULT) {
    auto* identity = static_cast<TW_IDENTITY*>(call.data);
    if (hasDefaultSource) {
      identity->Id = 7;
      CopyField(identity->Manufacturer, sizeof identity->Manufacturer, manufacturer);
      CopyField(identity->ProductName, sizeof identity->ProductName, productName);
    } else {
      returnCode = TWRC_FAILURE;
    }
  } else if (call.dat == DAT_IDENTITY && call.msg == MSG_OPENDS) {
    auto* identity = static_cast<TW_IDENTITY*>(call.data);
    identity->Id = 7;
    CopyField(identity->ProductName, sizeof identity->ProductName, productName);
  }
  auto answer = answers_.find({call.dat, call.msg});
  return answer != answers_.end() ? answer->second : returnCode;
}

}  // namespace quill
