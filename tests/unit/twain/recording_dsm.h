// A stand-in for the source manager's DSM_Entry that records every triplet it is sent and
// answers with scripted return codes, condition codes, events and identities.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "framework/handles.h"
#include "protocol/twain_protocol.h"

namespace quill {

// What a data source answers to DAT_CAPABILITY for one capability and message.
struct CapabilityAnswer {
  TW_UINT16 returnCode = TWRC_SUCCESS;
  TW_UINT16 conditionCode = TWCC_SUCCESS;  // given by DAT_STATUS after a refusal
  TW_UINT16 containerType = 0;             // of the container a MSG_GET hands back; 0 none
  TW_UINT16 itemType = TWTY_UINT16;
  std::vector<TW_UINT32> items;            // TW_ONEVALUE: items[0]; TW_ENUMERATION: the list
  TW_UINT32 currentIndex = 0;
  TW_UINT32 claimedItems = 0;              // NumItems written when a source lies; 0 the truth

  static CapabilityAnswer OneValue(TW_UINT16 itemType, TW_UINT32 item);
  static CapabilityAnswer Enumeration(TW_UINT16 itemType, std::vector<TW_UINT32> items,
                                      TW_UINT32 currentIndex = 0);
  static CapabilityAnswer Refusal(TW_UINT16 conditionCode);
  static CapabilityAnswer WithoutContainer();
};

// One DAT_CAPABILITY call as the source saw it, with a copy of the container it was sent.
struct CapabilityCall {
  TW_UINT16 msg;
  TW_UINT16 cap;
  TW_UINT16 containerType;  // ConType of the request
  HGLOBAL container;        // hContainer of the request
  std::vector<BYTE> bytes;  // the container's contents (MSG_SET)
  bool movable = false;
  UINT lockCount = 0;       // locks held by the application while the source reads it
  // "GET DEVICEONLINE", "SET XFERCOUNT ONEVALUE INT16 -1",
  // "SET PIXELTYPE ENUMERATION UINT16 [0] current 0 default 0".
  std::string Describe() const;
};

struct DsmCall {
  pTW_IDENTITY origin;
  pTW_IDENTITY destination;
  TW_UINT32 group;
  TW_UINT16 dat;
  TW_UINT16 msg;
  TW_MEMREF data;
  // "DSM PARENT/OPENDSM" for the manager path, "DS IDENTITY/CLOSEDS" for the source path.
  std::string Name() const;
};

class RecordingDsm {
 public:
  RecordingDsm();   // becomes the stand-in that Loader binds
  ~RecordingDsm();  // the previous stand-in is bound again
  RecordingDsm(const RecordingDsm&) = delete;
  RecordingDsm& operator=(const RecordingDsm&) = delete;

  // A loader for TwainConnection: binds the current stand-in, or fails when loadFails is set.
  static DSMENTRYPROC Loader(qfw::UniqueModule& library);

  // Return code of every later call of this triplet (default TWRC_SUCCESS; events TWRC_NOTDSEVENT).
  void Answer(TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 returnCode);
  // Answer of every later DAT_CAPABILITY call of `cap` with `msg`. Unscripted, the stand-in is
  // an ordinary scanner on line with its feeder enabled, offering black and white, grey and
  // colour, and taking every setting; it refuses MSG_GET of anything else (TWCC_CAPUNSUPPORTED).
  void AnswerCapability(TW_UINT16 cap, TW_UINT16 msg, CapabilityAnswer answer);
  // Names of the calls recorded so far; Forget() starts afresh.
  std::vector<std::string> Names() const;
  std::vector<std::string> CapabilityNames() const;
  void Forget() {
    calls.clear();
    capabilityCalls.clear();
  }
  // Containers that crossed DSM_Entry in either direction and are still allocated.
  int LiveContainers() const;

  bool loadFails = false;
  int loads = 0;
  std::vector<DsmCall> calls;
  TW_UINT16 conditionCode = TWCC_SUCCESS;       // answer to DAT_STATUS
  std::deque<TW_UINT16> events;                 // TWMessage of successive MSG_PROCESSEVENT
  TW_UINT16 pendingCount = 0;                   // Count after MSG_ENDXFER
  bool hasDefaultSource = true;                 // MSG_GETDEFAULT fails when false
  std::string manufacturer = "TALVORN";         // of the default source
  std::string productName = "Quill Test Scanner";
  TW_BOOL enabledShowUI = 0xFFFF;               // ShowUI of the latest MSG_ENABLEDS
  HWND lastParent = nullptr;                    // window of the latest MSG_OPENDSM or CLOSEDSM
  TW_MEMREF lastEventMessage = nullptr;         // pEvent of the latest MSG_PROCESSEVENT
  std::vector<CapabilityCall> capabilityCalls;
  std::vector<HGLOBAL> containers;              // every container sent or handed back

 private:
  static TW_UINT16 WINAPI Entry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group,
                                TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 Respond(const DsmCall& call);
  TW_UINT16 RespondToCapability(TW_UINT16 msg, TW_CAPABILITY& capability);
  CapabilityAnswer CapabilityAnswerFor(TW_UINT16 cap, TW_UINT16 msg) const;

  std::map<std::pair<TW_UINT16, TW_UINT16>, TW_UINT16> answers_;
  std::map<std::pair<TW_UINT16, TW_UINT16>, CapabilityAnswer> capabilityAnswers_;
  RecordingDsm* previous_;
};

}  // namespace quill
