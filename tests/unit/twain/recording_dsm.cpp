#include "tests/unit/twain/recording_dsm.h"

#include <cstring>
#include <set>

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

std::string CapName(TW_UINT16 cap) {
  switch (cap) {
    case CAP_XFERCOUNT: return "XFERCOUNT";
    case ICAP_COMPRESSION: return "COMPRESSION";
    case ICAP_PIXELTYPE: return "PIXELTYPE";
    case ICAP_UNITS: return "UNITS";
    case ICAP_XFERMECH: return "XFERMECH";
    case CAP_FEEDERENABLED: return "FEEDERENABLED";
    case CAP_DEVICEONLINE: return "DEVICEONLINE";
    case CAP_DUPLEX: return "DUPLEX";
    case CAP_ENABLEDSUIONLY: return "ENABLEDSUIONLY";
    case CAP_JOBCONTROL: return "JOBCONTROL";
    case ICAP_IMAGEFILEFORMAT: return "IMAGEFILEFORMAT";
    case ICAP_CCITTKFACTOR: return "CCITTKFACTOR";
    default: return std::to_string(cap);
  }
}

std::string ContainerName(TW_UINT16 containerType) {
  switch (containerType) {
    case TWON_ONEVALUE: return "ONEVALUE";
    case TWON_ENUMERATION: return "ENUMERATION";
    default: return std::to_string(containerType);
  }
}

std::string ItemTypeName(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT16: return "INT16";
    case TWTY_UINT16: return "UINT16";
    case TWTY_UINT32: return "UINT32";
    case TWTY_BOOL: return "BOOL";
    default: return std::to_string(itemType);
  }
}

std::size_t ItemWidth(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8: return 1;
    case TWTY_INT32:
    case TWTY_UINT32: return 4;
    default: return 2;
  }
}

template <typename T>
T ReadAt(const std::vector<BYTE>& bytes, std::size_t offset) {
  T value = 0;
  if (offset + sizeof value <= bytes.size()) {
    std::memcpy(&value, bytes.data() + offset, sizeof value);
  }
  return value;
}

// A movable container as a source allocates it for MSG_GET.
HGLOBAL MakeContainer(const CapabilityAnswer& answer) {
  const bool oneValue = answer.containerType == TWON_ONEVALUE;
  const std::size_t width = ItemWidth(answer.itemType);
  const std::size_t size = oneValue ? 6 : 14 + answer.items.size() * width;
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
  BYTE* bytes = static_cast<BYTE*>(GlobalLock(block));
  std::memcpy(bytes, &answer.itemType, 2);
  if (oneValue) {
    const TW_UINT32 item = answer.items.empty() ? 0 : answer.items[0];
    std::memcpy(bytes + 2, &item, 4);
  } else {
    const TW_UINT32 count = answer.claimedItems ? answer.claimedItems
                                                : static_cast<TW_UINT32>(answer.items.size());
    std::memcpy(bytes + 2, &count, 4);
    std::memcpy(bytes + 6, &answer.currentIndex, 4);
    for (std::size_t index = 0; index < answer.items.size(); ++index) {
      std::memcpy(bytes + 14 + index * width, &answer.items[index], width);
    }
  }
  GlobalUnlock(block);
  return block;
}

void CopyField(char* field, std::size_t capacity, const std::string& text) {
  std::memset(field, 0, capacity);
  std::memcpy(field, text.data(), text.size() < capacity ? text.size() : capacity - 1);
}

}  // namespace

CapabilityAnswer CapabilityAnswer::OneValue(TW_UINT16 itemType, TW_UINT32 item) {
  CapabilityAnswer answer;
  answer.containerType = TWON_ONEVALUE;
  answer.itemType = itemType;
  answer.items = {item};
  return answer;
}

CapabilityAnswer CapabilityAnswer::Enumeration(TW_UINT16 itemType, std::vector<TW_UINT32> items,
                                               TW_UINT32 currentIndex) {
  CapabilityAnswer answer;
  answer.containerType = TWON_ENUMERATION;
  answer.itemType = itemType;
  answer.items = std::move(items);
  answer.currentIndex = currentIndex;
  return answer;
}

CapabilityAnswer CapabilityAnswer::Refusal(TW_UINT16 conditionCode) {
  CapabilityAnswer answer;
  answer.returnCode = TWRC_FAILURE;
  answer.conditionCode = conditionCode;
  return answer;
}

CapabilityAnswer CapabilityAnswer::WithoutContainer() { return CapabilityAnswer(); }

std::string CapabilityCall::Describe() const {
  std::string text = (msg == MSG_SET ? "SET " : msg == MSG_GET ? "GET " : MsgName(msg) + " ") +
                     CapName(cap);
  if (msg != MSG_SET) {
    if (containerType != TWON_DONTCARE16) text += " ConType " + std::to_string(containerType);
    if (container) text += " with a container";
    return text;
  }
  if (bytes.size() < 6) return text + " (container of " + std::to_string(bytes.size()) + " bytes)";
  const TW_UINT16 itemType = ReadAt<TW_UINT16>(bytes, 0);
  text += " " + ContainerName(containerType) + " " + ItemTypeName(itemType);
  if (containerType == TWON_ONEVALUE) {
    return text + " " + std::to_string(ReadAt<TW_INT32>(bytes, 2));
  }
  if (containerType != TWON_ENUMERATION) return text;
  const TW_UINT32 count = ReadAt<TW_UINT32>(bytes, 2);
  const std::size_t width = ItemWidth(itemType);
  text += " [";
  for (TW_UINT32 index = 0; index < count && 14 + (index + 1) * width <= bytes.size(); ++index) {
    if (index) text += ",";
    const std::size_t offset = 14 + index * width;
    text += std::to_string(width == 4 ? ReadAt<TW_UINT32>(bytes, offset)
                                      : ReadAt<TW_UINT16>(bytes, offset));
  }
  text += "] current " + std::to_string(ReadAt<TW_UINT32>(bytes, 6)) + " default " +
          std::to_string(ReadAt<TW_UINT32>(bytes, 10));
  return text;
}

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

void RecordingDsm::AnswerCapability(TW_UINT16 cap, TW_UINT16 msg, CapabilityAnswer answer) {
  capabilityAnswers_[{cap, msg}] = std::move(answer);
}

CapabilityAnswer RecordingDsm::CapabilityAnswerFor(TW_UINT16 cap, TW_UINT16 msg) const {
  auto scripted = capabilityAnswers_.find({cap, msg});
  if (scripted != capabilityAnswers_.end()) return scripted->second;
  if (msg == MSG_SET) return CapabilityAnswer();
  switch (cap) {
    case CAP_DEVICEONLINE: return CapabilityAnswer::OneValue(TWTY_BOOL, 1);
    case CAP_FEEDERENABLED: return CapabilityAnswer::OneValue(TWTY_BOOL, 1);
    case ICAP_PIXELTYPE:
      return CapabilityAnswer::Enumeration(TWTY_UINT16, {TWPT_BW, TWPT_GRAY, TWPT_RGB});
    default: return CapabilityAnswer::Refusal(TWCC_CAPUNSUPPORTED);
  }
}

TW_UINT16 RecordingDsm::RespondToCapability(TW_UINT16 msg, TW_CAPABILITY& capability) {
  CapabilityCall call{msg, capability.Cap, capability.ConType, capability.hContainer, {}, false, 0};
  if (msg == MSG_SET && capability.hContainer) {
    containers.push_back(capability.hContainer);
    call.lockCount = GlobalFlags(capability.hContainer) & GMEM_LOCKCOUNT;
    const SIZE_T size = GlobalSize(capability.hContainer);
    if (void* data = GlobalLock(capability.hContainer)) {
      call.movable = data != capability.hContainer;
      const BYTE* bytes = static_cast<const BYTE*>(data);
      call.bytes.assign(bytes, bytes + size);
      GlobalUnlock(capability.hContainer);
    }
  }
  capabilityCalls.push_back(call);
  const CapabilityAnswer answer = CapabilityAnswerFor(capability.Cap, msg);
  if (answer.returnCode != TWRC_SUCCESS) {
    conditionCode = answer.conditionCode;
    return answer.returnCode;
  }
  if (msg == MSG_GET && answer.containerType != 0) {
    capability.ConType = answer.containerType;
    capability.hContainer = MakeContainer(answer);
    containers.push_back(capability.hContainer);
  }
  return TWRC_SUCCESS;
}

int RecordingDsm::LiveContainers() const {
  const std::set<HGLOBAL> distinct(containers.begin(), containers.end());
  int live = 0;
  for (HGLOBAL container : distinct) {
    if (GlobalFlags(container) != GMEM_INVALID_HANDLE) ++live;
  }
  return live;
}

std::vector<std::string> RecordingDsm::CapabilityNames() const {
  std::vector<std::string> names;
  for (const CapabilityCall& call : capabilityCalls) names.push_back(call.Describe());
  return names;
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
  } else if (call.dat == DAT_CAPABILITY && call.data) {
    return RespondToCapability(call.msg, *static_cast<TW_CAPABILITY*>(call.data));
  } else if (call.dat == DAT_IDENTITY && call.msg == MSG_OPENDS) {
    auto* identity = static_cast<TW_IDENTITY*>(call.data);
    identity->Id = 7;
    CopyField(identity->ProductName, sizeof identity->ProductName, productName);
  }
  auto answer = answers_.find({call.dat, call.msg});
  return answer != answers_.end() ? answer->second : returnCode;
}

}  // namespace quill
