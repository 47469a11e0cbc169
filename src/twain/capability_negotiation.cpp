#include "twain/capability_negotiation.h"

#include <cstring>
#include <optional>

#include "filter/kestrel_filter.h"
#include "framework/message_box.h"
#include "framework/resources.h"
#include "config/scan_settings.h"
#include "res/string_ids.h"
#include "twain/transfer_output.h"
#include "twain/twain_connection.h"
#include "res/twain_ids.h"
#include "image/win_handles.h"

namespace quill {

ExtendedCapabilityRow ExtendedCapabilityTable[] = {
    {CAP_JOBCONTROL, &TwainConnection::IsJobControlSupported, 0},
    {CAP_DUPLEX, &TwainConnection::IsDuplexSupported, 0},
    {CAP_ENABLEDSUIONLY, &TwainConnection::IsUiOnlySupported, 0},
    {kExtendedCapabilityTerminator, nullptr, 0},
};

namespace {

// Byte layout of the containers (2-byte packing): TW_ONEVALUE is ItemType, Item; TW_ENUMERATION
// is ItemType, NumItems, CurrentIndex, DefaultIndex, then the items.
constexpr SIZE_T kOneValueSize = 6;
constexpr SIZE_T kOneValueItemOffset = 2;
constexpr SIZE_T kEnumerationHeaderSize = 14;
constexpr SIZE_T kEnumerationCountOffset = 2;
constexpr SIZE_T kEnumerationCurrentOffset = 6;
constexpr SIZE_T kEnumerationDefaultOffset = 10;
// A one-item enumeration of 16-bit items: the header, the item and two zero bytes of slack.
constexpr SIZE_T kSingleItemEnumerationSize = 18;

constexpr LONG kMaxFileNumDigit = 4;
constexpr LONG kMaxTransferCount = 32767;  // the largest TWTY_INT16
constexpr TW_UINT32 kAllPages = 0xFFFFFFFFu;  // -1 in all 32 bits

TW_UINT32 ReadUint32(const BYTE* bytes, SIZE_T offset) {
  TW_UINT32 value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

TW_UINT16 ReadUint16(const BYTE* bytes, SIZE_T offset) {
  TW_UINT16 value;
  std::memcpy(&value, bytes + offset, sizeof value);
  return value;
}

void WriteUint32(BYTE* bytes, SIZE_T offset, TW_UINT32 value) {
  std::memcpy(bytes + offset, &value, sizeof value);
}

void WriteUint16(BYTE* bytes, SIZE_T offset, TW_UINT16 value) {
  std::memcpy(bytes + offset, &value, sizeof value);
}

// Width of one enumeration item; 0 for types whose items are no plain numbers.
SIZE_T ItemWidth(TW_UINT16 itemType) {
  switch (itemType) {
    case TWTY_INT8:
    case TWTY_UINT8: return 1;
    case TWTY_INT16:
    case TWTY_UINT16:
    case TWTY_BOOL: return 2;
    case TWTY_INT32:
    case TWTY_UINT32: return 4;
    default: return 0;
  }
}

TW_UINT32 ReadItem(const BYTE* bytes, SIZE_T offset, SIZE_T width) {
  if (width == 1) return bytes[offset];
  if (width == 2) return ReadUint16(bytes, offset);
  return ReadUint32(bytes, offset);
}

// A container a source returned for MSG_GET. Owned from the moment it arrives, so it is freed on
// every path; its contents are read only as far as the block really reaches.
class ReturnedContainer {
 public:
  ReturnedContainer(TW_UINT16 containerType, HGLOBAL block)
      : containerType_(containerType), block_(block) {}

  // The source answered but sent no container back.
  bool Empty() const { return !block_; }
  bool IsOneValue() const { return containerType_ == TWON_ONEVALUE; }
  bool IsEnumeration() const { return containerType_ == TWON_ENUMERATION; }

  // The Item of a TW_ONEVALUE, whatever the container claims to be; none when unreadable.
  std::optional<TW_UINT32> OneValueItem() const {
    GlobalLockGuard lock(block_.get());
    if (!lock || lock.size() < kOneValueSize) return std::nullopt;
    return ReadUint32(lock.bytes(), kOneValueItemOffset);
  }

  // The low 16 bits of the Item of a TW_ONEVALUE; none when the container is anything else.
  std::optional<TW_UINT16> OneValue16() const {
    if (!IsOneValue()) return std::nullopt;
    const std::optional<TW_UINT32> item = OneValueItem();
    if (!item) return std::nullopt;
    return static_cast<TW_UINT16>(*item & 0xFFFF);
  }

  // True if an enumeration lists some item that is not 0. Only the items the block holds are
  // read, however many the source claims.
  bool EnumerationHasNonZeroItem() const {
    if (!IsEnumeration()) return false;
    GlobalLockGuard lock(block_.get());
    if (!lock || lock.size() < kEnumerationHeaderSize) return false;
    const SIZE_T width = ItemWidth(ReadUint16(lock.bytes(), 0));
    if (width == 0) return false;
    const SIZE_T held = (lock.size() - kEnumerationHeaderSize) / width;
    const TW_UINT32 claimed = ReadUint32(lock.bytes(), kEnumerationCountOffset);
    const SIZE_T count = claimed < held ? claimed : held;
    for (SIZE_T index = 0; index < count; ++index) {
      if (ReadItem(lock.bytes(), kEnumerationHeaderSize + index * width, width) != 0) return true;
    }
    return false;
  }

  // The current value: the Item of a TW_ONEVALUE, the item at CurrentIndex of an enumeration;
  // none when it cannot be read.
  std::optional<TW_UINT32> CurrentValue() const {
    if (IsOneValue()) return OneValueItem();
    if (!IsEnumeration()) return std::nullopt;
    GlobalLockGuard lock(block_.get());
    if (!lock || lock.size() < kEnumerationHeaderSize) return std::nullopt;
    const SIZE_T width = ItemWidth(ReadUint16(lock.bytes(), 0));
    if (width == 0) return std::nullopt;
    const SIZE_T held = (lock.size() - kEnumerationHeaderSize) / width;
    const TW_UINT32 claimed = ReadUint32(lock.bytes(), kEnumerationCountOffset);
    const TW_UINT32 current = ReadUint32(lock.bytes(), kEnumerationCurrentOffset);
    if (current >= claimed || current >= held) return std::nullopt;
    return ReadItem(lock.bytes(), kEnumerationHeaderSize + current * width, width);
  }

 private:
  TW_UINT16 containerType_;
  GlobalBlock block_;
};

// MSG_GET with ConType TWON_DONTCARE16 and no container. None when the source refused; an empty
// container when it answered without one.
std::optional<ReturnedContainer> GetCapability(TwainConnection& connection, TW_UINT16 cap) {
  TW_CAPABILITY capability = {};
  capability.Cap = cap;
  capability.ConType = TWON_DONTCARE16;
  capability.hContainer = nullptr;
  // A container is only trusted from a source that says it answered.
  if (!connection.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GET, &capability)) return std::nullopt;
  return ReturnedContainer(capability.ConType, capability.hContainer);
}

enum class SetOutcome { kAccepted, kRefused, kNoMemory };

// Sends MSG_SET with a container built by `fill` in a movable, zero-filled block of `size`
// bytes. The block is unlocked while the source reads it and freed whatever the answer.
template <typename Fill>
SetOutcome SetCapability(TwainConnection& connection, TW_UINT16 cap, TW_UINT16 containerType,
                         SIZE_T size, Fill fill) {
  GlobalBlock container = GlobalBlock::AllocateMovable(size);
  if (!container) return SetOutcome::kNoMemory;
  {
    GlobalLockGuard lock(container.get());
    if (!lock) return SetOutcome::kNoMemory;
    fill(lock.bytes());
  }
  TW_CAPABILITY capability = {};
  capability.Cap = cap;
  capability.ConType = containerType;
  capability.hContainer = container.get();
  const int accepted = connection.CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &capability);
  return accepted ? SetOutcome::kAccepted : SetOutcome::kRefused;
}

SetOutcome SetOneValue(TwainConnection& connection, TW_UINT16 cap, TW_UINT16 itemType,
                       TW_UINT32 item) {
  return SetCapability(connection, cap, TWON_ONEVALUE, kOneValueSize, [&](BYTE* bytes) {
    WriteUint16(bytes, 0, itemType);
    WriteUint32(bytes, kOneValueItemOffset, item);
  });
}

SetOutcome SetSingleItemEnumeration(TwainConnection& connection, TW_UINT16 cap,
                                    TW_UINT16 item) {
  return SetCapability(connection, cap, TWON_ENUMERATION, kSingleItemEnumerationSize,
                       [&](BYTE* bytes) {
                         WriteUint16(bytes, 0, TWTY_UINT16);
                         WriteUint32(bytes, kEnumerationCountOffset, 1);
                         WriteUint32(bytes, kEnumerationCurrentOffset, 0);
                         WriteUint32(bytes, kEnumerationDefaultOffset, 0);
                         WriteUint16(bytes, kEnumerationHeaderSize, item);
                       });
}

// Reports a setting that did not take: the refused setting by name, or the missing memory.
// True when the setting was accepted.
bool ReportOutcome(TwainConnection& connection, SetOutcome outcome, UINT detailId) {
  switch (outcome) {
    case SetOutcome::kAccepted: return true;
    case SetOutcome::kRefused: connection.ReportError(IDS_TWAIN_SETUP_FAILED, detailId); break;
    case SetOutcome::kNoMemory: connection.ReportError(IDS_OUT_OF_MEMORY, 0); break;
  }
  return false;
}

TW_UINT16 Low16(LONG value) { return static_cast<TW_UINT16>(static_cast<DWORD>(value) & 0xFFFF); }

// A page count the source can hold in its 16-bit signed item; -1 (all pages) in all 32 bits.
TW_UINT32 TransferCountItem(const ScanSettings& settings) {
  if (settings.PaperSupply == kFeederAllPages) return kAllPages;
  const LONG count = settings.XferCount > kMaxTransferCount ? kMaxTransferCount
                                                            : settings.XferCount;
  return static_cast<TW_UINT32>(count);
}

}  // namespace

int IsExtendedCapabilitySupported(TW_UINT16 capability) {
  for (const ExtendedCapabilityRow* row = ExtendedCapabilityTable;
       row->capability != kExtendedCapabilityTerminator; ++row) {
    if (row->capability == capability) return row->supported;
  }
  return 0;
}

DWORD FileNumberModulus(LONG fileNumDigit) {
  LONG digit = fileNumDigit < 0 ? 0 : fileNumDigit;
  if (digit > kMaxFileNumDigit) digit = kMaxFileNumDigit;
  DWORD modulus = 10;
  for (LONG power = 0; power < digit; ++power) modulus *= 10;
  return modulus;
}

TW_UINT16 CompressionCode(LONG compress) {
  switch (compress) {
    case kCompressG3OneDim: return TWCP_GROUP31D;
    case kCompressG3OneDimEol: return TWCP_GROUP31DEOL;
    case kCompressG3TwoDim: return TWCP_GROUP32D;
    case kCompressG4: return TWCP_GROUP4;
    default: return TWCP_NONE;
  }
}

TW_UINT16 TransferMechanism(LONG scanMech) {
  switch (scanMech) {
    case kTransferNative: return TWSX_NATIVE;
    case kTransferMemory: return TWSX_MEMORY;
    case kTransferFile: return TWSX_FILE;
    default: return Low16(scanMech);
  }
}

// --- The negotiation ---

void TwainConnection::NegotiateCapabilities() {
  // A source that does not know CAP_DEVICEONLINE is taken to be on line; only one that says
  // the device is off is left alone, so that it can show its own complaint when enabled.
  if (!IsDeviceOnline(0) || IsDeviceOnline(1)) {
    const ScanSettings& settings = TheSettings();
    // With its own dialog the source lets the user choose feeder and page count.
    if (settings.ShowUI == 0) {
      SetDocumentSelect();
      if (settings.PaperSupply != kFlatbed) SetTransferCount();
    }
    SetUnits();
    SetTransferMode();
    if (settings.ScanMech != kTransferNative) SetCompressionMode();
    if (settings.ScanMech == kTransferFile) SetImageFileFormat();
  }
  // Numbering starts here in any case: disabling the source stores the running number.
  ScanSettings& settings = TheSettings();
  RunningFileNumber = settings.FileIdNumber;
  settings.FileNumModulus = FileNumberModulus(settings.FileNumDigit);
}

int TwainConnection::IsDeviceOnline(int mode) {
  const std::optional<ReturnedContainer> answer = GetCapability(*this, CAP_DEVICEONLINE);
  if (!answer || answer->Empty()) return 0;
  if (mode == 0) return 1;
  const std::optional<TW_UINT16> online = answer->OneValue16();
  return online && *online == 1;
}

void TwainConnection::SetDocumentSelect() {
  const TW_UINT32 wanted = TheSettings().PaperSupply != kFlatbed ? 1 : 0;
  std::optional<TW_UINT32> current;
  {
    const std::optional<ReturnedContainer> answer = GetCapability(*this, CAP_FEEDERENABLED);
    if (!answer) {
      ReportError(IDS_TWAIN_SETUP_FAILED, IDS_SET_DOCUMENT_SELECT);
      return;
    }
    current = answer->CurrentValue();
  }
  // A state that cannot be read is set rather than guessed.
  if (current && (*current != 0 ? 1u : 0u) == wanted) return;
  ReportOutcome(*this, SetOneValue(*this, CAP_FEEDERENABLED, TWTY_BOOL, wanted),
                IDS_SET_DOCUMENT_SELECT);
}

void TwainConnection::SetTransferCount() {
  ReportOutcome(*this, SetOneValue(*this, CAP_XFERCOUNT, TWTY_INT16,
                                   TransferCountItem(TheSettings())),
                IDS_SET_XFER_COUNT);
}

void TwainConnection::SetUnits() {
  // Sources that cannot change their unit still scan: not worth a report.
  const SetOutcome outcome = SetOneValue(*this, ICAP_UNITS, TWTY_UINT16, TWUN_INCHES);
  if (outcome == SetOutcome::kNoMemory) ReportError(IDS_OUT_OF_MEMORY, 0);
}

void TwainConnection::SetTransferMode() {
  ReportOutcome(*this, SetOneValue(*this, ICAP_XFERMECH, TWTY_UINT16,
                                   TransferMechanism(TheSettings().ScanMech)),
                IDS_SET_XFER_MODE);
}

void TwainConnection::SetCompressionMode() {
  const ScanSettings& settings = TheSettings();
  TW_UINT16 code = CompressionCode(settings.Compress);
  // Strips coded by the source are decoded here by the filter library: without it every page
  // would come out blank, so they are asked for uncompressed (files the source codes itself).
  if (code != TWCP_NONE && settings.ScanMech == kTransferMemory && !ProgramFilter()) {
    code = TWCP_NONE;
    if (!ToldNoFilterForCcitt) {
      ToldNoFilterForCcitt = true;
      qfw::ShowMessageBox(nullptr, qfw::LoadResourceString(IDS_NO_FILTER_FOR_CCITT).c_str(),
                          qfw::LoadResourceString(IDS_APP_TITLE).c_str(), MB_OK | MB_ICONINFORMATION);
    }
  }
  if (!ReportOutcome(*this, SetOneValue(*this, ICAP_COMPRESSION, TWTY_UINT16, code),
                     IDS_SET_COMPRESSION_MODE)) {
    return;
  }
  if (code == TWCP_GROUP32D) {
    ReportOutcome(*this, SetOneValue(*this, ICAP_CCITTKFACTOR, TWTY_UINT16,
                                     Low16(settings.KFactor)),
                  IDS_SET_K_FACTOR);
  }
  if (code == TWCP_NONE) return;
  // CCITT coding is for black and white: restrict the pixel type unless that is all there is.
  bool offersOtherTypes = false;
  {
    const std::optional<ReturnedContainer> answer = GetCapability(*this, ICAP_PIXELTYPE);
    if (!answer) {
      ReportError(IDS_TWAIN_SETUP_FAILED, IDS_SET_IMAGE_TYPE);
      return;
    }
    const std::optional<TW_UINT16> single = answer->OneValue16();
    offersOtherTypes = answer->EnumerationHasNonZeroItem() || (single && *single != TWPT_BW);
  }
  if (!offersOtherTypes) return;
  ReportOutcome(*this, SetSingleItemEnumeration(*this, ICAP_PIXELTYPE, TWPT_BW),
                IDS_SET_IMAGE_TYPE);
}

void TwainConnection::SetImageFileFormat() {
  const TW_UINT16 format = TheSettings().FileFormat == kFormatBmp ? TWFF_BMP : TWFF_TIFF;
  ReportOutcome(*this, SetOneValue(*this, ICAP_IMAGEFILEFORMAT, TWTY_UINT16, format),
                IDS_SET_IMAGE_FILE_FORMAT);
}

// --- The start-up probe ---

void TwainConnection::ProbeExtendedCapabilities() {
  const int startState = SavedState = TwainState;
  HWND parent = GetParentWindow(nullptr);
  // Nothing to learn without a default source; the user hears about that when acquiring.
  const bool open = (TwainState >= 3 || OpenSourceManager(parent)) &&
                    (TwainState >= 4 || OpenSource());
  if (open) {
    for (ExtendedCapabilityRow* row = ExtendedCapabilityTable;
         row->capability != kExtendedCapabilityTerminator; ++row) {
      row->supported = (this->*(row->query))();
    }
  }
  DropToState(startState, parent);
}

int TwainConnection::IsJobControlSupported() {
  const std::optional<ReturnedContainer> answer = GetCapability(*this, CAP_JOBCONTROL);
  if (!answer || answer->Empty()) return 0;
  return answer->IsOneValue() || answer->EnumerationHasNonZeroItem();
}

int TwainConnection::IsDuplexSupported() {
  const std::optional<ReturnedContainer> answer = GetCapability(*this, CAP_DUPLEX);
  if (!answer || answer->Empty()) return 0;
  const std::optional<TW_UINT16> duplex = answer->OneValue16();
  return duplex && *duplex != 0;
}

int TwainConnection::IsUiOnlySupported() {
  const std::optional<ReturnedContainer> answer = GetCapability(*this, CAP_ENABLEDSUIONLY);
  if (!answer || answer->Empty()) return 0;
  const std::optional<TW_UINT16> uiOnly = answer->OneValue16();
  return uiOnly && *uiOnly == 1;
}

}  // namespace quill
