// A stand-in for the source manager's DSM_Entry that records every triplet it is sent and
// answers with scripted return codes, condition codes, events and identities.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "handles.h"
#include "twain_protocol.h"

namespace quill {

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
  // Names of the calls recorded so far; Forget() starts afresh.
  std::vector<std::string> Names() const;
  void Forget() { calls.clear(); }

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

 private:
  static TW_UINT16 WINAPI Entry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group,
                                TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 Respond(const DsmCall& call);

  std::map<std::pair<TW_UINT16, TW_UINT16>, TW_UINT16> answers_;
  RecordingDsm* previous_;
};

}  // namespace quill
