// The scanner's capabilities: what each offers, its current and default value, and the
// containers TWAIN prescribes for each message.
#pragma once

#include <cstdint>
#include <vector>

#include "protocol/twain_protocol.h"

namespace tvscan {

// Values travel as 32-bit words: 16-bit items in the low half, TW_FIX32 as its raw bytes.
struct Capability {
  TW_UINT16 cap;
  TW_UINT16 item_type;
  bool enumeration;            // GET answers a TW_ENUMERATION, else a TW_ONEVALUE
  bool settable;
  std::vector<TW_UINT32> allowed;  // empty for free-valued one-value capabilities
  TW_UINT32 current;
  TW_UINT32 default_value;
};

TW_UINT32 Fix32Word(uint32_t whole);
uint32_t WholeOfFix32Word(TW_UINT32 word);

class CapabilitySet {
 public:
  CapabilitySet();

  // DAT_CAPABILITY in its whole: fills or reads the container; returns TWRC_* and sets
  // `condition` on failure. `may_set` is false outside state 4.
  TW_UINT16 Handle(TW_UINT16 msg, TW_CAPABILITY& request, bool may_set, TW_UINT16& condition);

  TW_UINT32 Current(TW_UINT16 cap) const;
  // Sets a value as the scanner's own dialog does; false when the value is not offered.
  bool SetCurrent(TW_UINT16 cap, TW_UINT32 value);
  void SetOnline(bool online);
  void SetFeederLoaded(bool loaded);

 private:
  Capability* Find(TW_UINT16 cap);
  const Capability* Find(TW_UINT16 cap) const;
  TW_UINT16 Get(TW_UINT16 msg, const Capability& capability, TW_CAPABILITY& request, TW_UINT16& condition);
  TW_UINT16 Set(Capability& capability, const TW_CAPABILITY& request, TW_UINT16& condition);
  bool Accept(Capability& capability, TW_UINT32 value);
  void UpdateDependents();

  std::vector<Capability> caps_;
};

}  // namespace tvscan
