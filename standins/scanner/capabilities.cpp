#include "scanner/capabilities.h"

#include <algorithm>
#include <cstring>

#include "scanner/handles.h"

namespace tvscan {
namespace {

constexpr TW_UINT16 kJobControlNone = 0;
constexpr TW_UINT16 kDuplexNone = 0;

size_t ItemSize(TW_UINT16 item_type) {
  switch (item_type) {
    case TWTY_INT8:
    case TWTY_UINT8: return 1;
    case TWTY_INT32:
    case TWTY_UINT32:
    case TWTY_FIX32: return 4;
    default: return 2;
  }
}

void StoreItem(uint8_t* at, TW_UINT16 item_type, TW_UINT32 value) {
  std::memcpy(at, &value, ItemSize(item_type));  // little-endian: the low bytes first
}

TW_UINT32 LoadItem(const uint8_t* at, TW_UINT16 item_type) {
  TW_UINT32 value = 0;
  std::memcpy(&value, at, ItemSize(item_type));
  if (item_type == TWTY_INT16) value = static_cast<TW_UINT32>(static_cast<int32_t>(static_cast<int16_t>(value)));
  return value;
}

GlobalBlock OneValue(TW_UINT16 item_type, TW_UINT32 value) {
  GlobalBlock block(sizeof(TW_ONEVALUE));
  GlobalLockGuard lock(block.get());
  if (!lock.data()) return GlobalBlock();
  auto* one = static_cast<uint8_t*>(lock.data());
  std::memcpy(one, &item_type, 2);
  StoreItem(one + 2, item_type, value);
  return block;
}

GlobalBlock Enumeration(const Capability& c) {
  size_t item = ItemSize(c.item_type);
  GlobalBlock block(14 + c.allowed.size() * item);
  GlobalLockGuard lock(block.get());
  if (!lock.data()) return GlobalBlock();
  auto* bytes = static_cast<uint8_t*>(lock.data());
  TW_UINT32 count = static_cast<TW_UINT32>(c.allowed.size());
  auto index_of = [&c](TW_UINT32 value) {
    return static_cast<TW_UINT32>(std::find(c.allowed.begin(), c.allowed.end(), value) - c.allowed.begin());
  };
  TW_UINT32 current = index_of(c.current), default_index = index_of(c.default_value);
  std::memcpy(bytes, &c.item_type, 2);
  std::memcpy(bytes + 2, &count, 4);
  std::memcpy(bytes + 6, &current, 4);
  std::memcpy(bytes + 10, &default_index, 4);
  for (size_t i = 0; i < c.allowed.size(); ++i) StoreItem(bytes + 14 + i * item, c.item_type, c.allowed[i]);
  return block;
}

GlobalBlock Array(TW_UINT16 item_type, const std::vector<TW_UINT32>& items) {
  size_t item = ItemSize(item_type);
  GlobalBlock block(6 + items.size() * item);
  GlobalLockGuard lock(block.get());
  if (!lock.data()) return GlobalBlock();
  auto* bytes = static_cast<uint8_t*>(lock.data());
  TW_UINT32 count = static_cast<TW_UINT32>(items.size());
  std::memcpy(bytes, &item_type, 2);
  std::memcpy(bytes + 2, &count, 4);
  for (size_t i = 0; i < items.size(); ++i) StoreItem(bytes + 6 + i * item, item_type, items[i]);
  return block;
}

Capability Enum16(TW_UINT16 cap, std::vector<TW_UINT32> allowed, TW_UINT32 value, bool settable = true) {
  return Capability{cap, TWTY_UINT16, true, settable, std::move(allowed), value, value};
}

Capability One(TW_UINT16 cap, TW_UINT16 type, TW_UINT32 value, bool settable) {
  return Capability{cap, type, false, settable, {}, value, value};
}

}  // namespace

TW_UINT32 Fix32Word(uint32_t whole) { return whole & 0xFFFF; }
uint32_t WholeOfFix32Word(TW_UINT32 word) { return word & 0xFFFF; }

CapabilitySet::CapabilitySet() {
  std::vector<TW_UINT32> resolutions;
  for (uint32_t dpi : {50u, 75u, 100u, 150u, 200u, 300u, 400u, 600u}) resolutions.push_back(Fix32Word(dpi));
  caps_ = {
      One(CAP_DEVICEONLINE, TWTY_BOOL, 1, false),
      One(CAP_FEEDERENABLED, TWTY_BOOL, 1, true),
      One(CAP_FEEDERLOADED, TWTY_BOOL, 1, false),
      One(CAP_XFERCOUNT, TWTY_INT16, 0xFFFFFFFFu, true),
      Enum16(CAP_JOBCONTROL, {kJobControlNone}, kJobControlNone),
      One(CAP_DUPLEX, TWTY_UINT16, kDuplexNone, false),
      One(CAP_ENABLEDSUIONLY, TWTY_BOOL, 0, false),
      One(CAP_UICONTROLLABLE, TWTY_BOOL, 1, false),
      Enum16(ICAP_UNITS, {TWUN_INCHES}, TWUN_INCHES),
      Enum16(ICAP_XFERMECH, {TWSX_NATIVE, TWSX_FILE, TWSX_MEMORY}, TWSX_NATIVE),
      Enum16(ICAP_COMPRESSION, {TWCP_NONE}, TWCP_NONE),
      One(ICAP_CCITTKFACTOR, TWTY_UINT16, 4, true),
      Enum16(ICAP_PIXELTYPE, {TWPT_BW, TWPT_GRAY, TWPT_RGB, TWPT_PALETTE}, TWPT_BW),
      Enum16(ICAP_BITDEPTH, {1}, 1),
      Enum16(ICAP_PIXELFLAVOR, {TWPF_CHOCOLATE, TWPF_VANILLA}, TWPF_CHOCOLATE),
      Capability{ICAP_XRESOLUTION, TWTY_FIX32, true, true, resolutions, Fix32Word(200), Fix32Word(200)},
      Capability{ICAP_YRESOLUTION, TWTY_FIX32, true, true, resolutions, Fix32Word(200), Fix32Word(200)},
      Enum16(ICAP_IMAGEFILEFORMAT, {TWFF_TIFF, TWFF_BMP}, TWFF_BMP),
  };
  UpdateDependents();
}

Capability* CapabilitySet::Find(TW_UINT16 cap) {
  for (Capability& c : caps_) {
    if (c.cap == cap) return &c;
  }
  return nullptr;
}

const Capability* CapabilitySet::Find(TW_UINT16 cap) const {
  return const_cast<CapabilitySet*>(this)->Find(cap);
}

TW_UINT32 CapabilitySet::Current(TW_UINT16 cap) const {
  const Capability* c = Find(cap);
  return c ? c->current : 0;
}

void CapabilitySet::SetOnline(bool online) { Find(CAP_DEVICEONLINE)->current = online ? 1 : 0; }
void CapabilitySet::SetFeederLoaded(bool loaded) { Find(CAP_FEEDERLOADED)->current = loaded ? 1 : 0; }

bool CapabilitySet::SetCurrent(TW_UINT16 cap, TW_UINT32 value) {
  Capability* c = Find(cap);
  return c && Accept(*c, value);
}

void CapabilitySet::UpdateDependents() {
  Capability& compression = *Find(ICAP_COMPRESSION);
  TW_UINT32 mech = Current(ICAP_XFERMECH);
  // CCITT coding is offered for strips and files, where the data are bilevel.
  if (mech == TWSX_NATIVE) {
    compression.allowed = {TWCP_NONE};
  } else {
    compression.allowed = {TWCP_NONE, TWCP_GROUP31D, TWCP_GROUP31DEOL, TWCP_GROUP32D, TWCP_GROUP4};
  }
  if (std::find(compression.allowed.begin(), compression.allowed.end(), compression.current) ==
      compression.allowed.end()) {
    compression.current = TWCP_NONE;
  }
  Capability& depth = *Find(ICAP_BITDEPTH);
  switch (Current(ICAP_PIXELTYPE)) {
    case TWPT_BW: depth.allowed = {1}; break;
    case TWPT_RGB: depth.allowed = {24}; break;
    default: depth.allowed = {8}; break;
  }
  depth.current = depth.default_value = depth.allowed[0];
}

bool CapabilitySet::Accept(Capability& c, TW_UINT32 value) {
  if (c.item_type == TWTY_FIX32) {
    TW_UINT32 whole = Fix32Word(WholeOfFix32Word(value));
    if (std::find(c.allowed.begin(), c.allowed.end(), whole) == c.allowed.end()) return false;
    // Square pixels: both resolutions move together.
    Find(ICAP_XRESOLUTION)->current = whole;
    Find(ICAP_YRESOLUTION)->current = whole;
    return true;
  }
  if (c.cap == CAP_XFERCOUNT) {
    auto count = static_cast<int16_t>(value & 0xFFFF);
    if (count == 0 || count < -1) return false;
    c.current = static_cast<TW_UINT32>(static_cast<int32_t>(count));
    return true;
  }
  if (c.cap == ICAP_CCITTKFACTOR) {
    if (value < 1 || value > 255) return false;
    c.current = value;
    return true;
  }
  if (c.item_type == TWTY_BOOL) value = value ? 1 : 0;
  if (!c.allowed.empty() && std::find(c.allowed.begin(), c.allowed.end(), value) == c.allowed.end()) {
    return false;
  }
  c.current = value;
  if (c.cap == ICAP_COMPRESSION && value != TWCP_NONE) Find(ICAP_PIXELTYPE)->current = TWPT_BW;
  if (c.cap == ICAP_PIXELTYPE && value != TWPT_BW) Find(ICAP_COMPRESSION)->current = TWCP_NONE;
  UpdateDependents();
  return true;
}

TW_UINT16 CapabilitySet::Get(TW_UINT16 msg, const Capability& c, TW_CAPABILITY& request, TW_UINT16& condition) {
  GlobalBlock container;
  TW_UINT16 type = TWON_ONEVALUE;
  if (msg == MSG_GETCURRENT) {
    container = OneValue(c.item_type, c.current);
  } else if (msg == MSG_GETDEFAULT) {
    container = OneValue(c.item_type, c.default_value);
  } else if (c.enumeration) {
    container = Enumeration(c);
    type = TWON_ENUMERATION;
  } else {
    container = OneValue(c.item_type, c.current);
  }
  if (!container) {
    condition = TWCC_LOWMEMORY;
    return TWRC_FAILURE;
  }
  request.ConType = type;
  request.hContainer = container.release();  // the application frees it
  return TWRC_SUCCESS;
}

TW_UINT16 CapabilitySet::Set(Capability& c, const TW_CAPABILITY& request, TW_UINT16& condition) {
  if (!c.settable) {
    condition = TWCC_CAPBADOPERATION;
    return TWRC_FAILURE;
  }
  condition = TWCC_BADVALUE;
  if (!request.hContainer) return TWRC_FAILURE;
  SIZE_T size = GlobalSize(request.hContainer);
  GlobalLockGuard lock(request.hContainer);
  if (!lock.data()) return TWRC_FAILURE;
  const auto* bytes = static_cast<const uint8_t*>(lock.data());
  TW_UINT16 item_type = 0;
  TW_UINT32 value = 0;
  if (request.ConType == TWON_ONEVALUE) {
    if (size < 6) return TWRC_FAILURE;
    std::memcpy(&item_type, bytes, 2);
    if (item_type != c.item_type) return TWRC_FAILURE;
    value = LoadItem(bytes + 2, item_type);
  } else if (request.ConType == TWON_ENUMERATION) {
    if (size < 14) return TWRC_FAILURE;
    TW_UINT32 count = 0, current = 0;
    std::memcpy(&item_type, bytes, 2);
    std::memcpy(&count, bytes + 2, 4);
    std::memcpy(&current, bytes + 6, 4);
    if (item_type != c.item_type || current >= count ||
        14 + size_t{count} * ItemSize(item_type) > size) {
      return TWRC_FAILURE;
    }
    value = LoadItem(bytes + 14 + size_t{current} * ItemSize(item_type), item_type);
  } else {
    return TWRC_FAILURE;
  }
  if (!Accept(c, value)) return TWRC_FAILURE;
  condition = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

TW_UINT16 CapabilitySet::Handle(TW_UINT16 msg, TW_CAPABILITY& request, bool may_set, TW_UINT16& condition) {
  if (request.Cap == CAP_SUPPORTEDCAPS && msg == MSG_GET) {
    std::vector<TW_UINT32> list{CAP_SUPPORTEDCAPS};
    for (const Capability& c : caps_) list.push_back(c.cap);
    GlobalBlock container = Array(TWTY_UINT16, list);
    if (!container) return condition = TWCC_LOWMEMORY, TWRC_FAILURE;
    request.ConType = TWON_ARRAY;
    request.hContainer = container.release();
    return TWRC_SUCCESS;
  }
  Capability* c = Find(request.Cap);
  if (!c) {
    condition = TWCC_CAPUNSUPPORTED;
    return TWRC_FAILURE;
  }
  switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
    case MSG_GETDEFAULT:
      return Get(msg, *c, request, condition);
    case MSG_SET:
      if (!may_set) return condition = TWCC_SEQERROR, TWRC_FAILURE;
      return Set(*c, request, condition);
    case MSG_RESET:
      if (!may_set) return condition = TWCC_SEQERROR, TWRC_FAILURE;
      if (c->settable) {
        if (c->item_type == TWTY_FIX32) {
          Accept(*c, c->default_value);
        } else {
          c->current = c->default_value;
          UpdateDependents();
        }
      }
      return Get(MSG_GET, *c, request, condition);
    default:
      condition = TWCC_CAPBADOPERATION;
      return TWRC_FAILURE;
  }
}

}  // namespace tvscan
