// The source manager's side of DSM_Entry: the application's session (states 2 and 3), the
// sources it has open, and the condition code DAT_STATUS reports.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/handles.h"
#include "twaindsm/source_catalog.h"
#include "protocol/twain_protocol.h"

namespace twaindsm {

class SourceManager {
 public:
  explicit SourceManager(HINSTANCE resources) : resources_(resources) {}

  TW_UINT16 Entry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat,
                  TW_UINT16 msg, TW_MEMREF data);

 private:
  struct OpenSource {
    TW_IDENTITY identity;
    qfw::UniqueModule module;
    DSENTRYPROC entry;
  };

  TW_UINT16 Succeed();
  TW_UINT16 Fail(TW_UINT16 condition);

  TW_UINT16 ManagerTriplet(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                           TW_MEMREF data);
  TW_UINT16 SourceTriplet(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group,
                          TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

  TW_UINT16 OpenManager(pTW_IDENTITY origin, TW_MEMREF data);
  TW_UINT16 CloseManager();
  TW_UINT16 Identity(pTW_IDENTITY origin, TW_UINT16 msg, pTW_IDENTITY identity);
  TW_UINT16 GetDefault(pTW_IDENTITY identity);
  TW_UINT16 GetFirst(pTW_IDENTITY identity);
  TW_UINT16 GetNext(pTW_IDENTITY identity);
  TW_UINT16 SetDefault(pTW_IDENTITY identity);
  TW_UINT16 UserSelect(pTW_IDENTITY identity);
  TW_UINT16 OpenDataSource(pTW_IDENTITY origin, pTW_IDENTITY identity);
  TW_UINT16 CloseDataSource(pTW_IDENTITY origin, pTW_IDENTITY identity);
  TW_UINT16 Status(TW_MEMREF data);

  void RefreshCatalog(pTW_IDENTITY origin);
  OpenSource* FindOpen(TW_UINT32 id);

  HINSTANCE resources_;
  bool open_ = false;
  TW_UINT32 application_id_ = 0;
  TW_UINT32 next_application_id_ = 1;
  HWND parent_ = nullptr;
  TW_UINT16 condition_ = TWCC_SUCCESS;
  std::vector<SourceEntry> catalog_;
  size_t next_in_catalog_ = 0;
  std::vector<std::unique_ptr<OpenSource>> sources_;
  TW_UINT32 next_source_id_ = 1;
};

}  // namespace twaindsm
