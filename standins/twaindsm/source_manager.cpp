#include "twaindsm/source_manager.h"

#include <algorithm>
#include <cstring>

#include "twaindsm/select_dialog.h"

namespace twaindsm {

TW_UINT16 SourceManager::Succeed() {
  condition_ = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

TW_UINT16 SourceManager::Fail(TW_UINT16 condition) {
  condition_ = condition;
  return TWRC_FAILURE;
}

TW_UINT16 SourceManager::Entry(pTW_IDENTITY origin, pTW_IDENTITY destination, TW_UINT32 group,
                               TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  if (!origin) return Fail(TWCC_BADPROTOCOL);
  // Applications differ in how they address MSG_CLOSEDS: with no destination, as the protocol
  // says, or at the source itself. Either way the manager closes the source named by the data.
  bool close_source = group == DG_CONTROL && dat == DAT_IDENTITY && msg == MSG_CLOSEDS;
  if (destination && !close_source) {
    return SourceTriplet(origin, destination, group, dat, msg, data);
  }
  return ManagerTriplet(origin, group, dat, msg, data);
}

TW_UINT16 SourceManager::SourceTriplet(pTW_IDENTITY origin, pTW_IDENTITY destination,
                                       TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                                       TW_MEMREF data) {
  if (!open_) return Fail(TWCC_SEQERROR);
  OpenSource* source = FindOpen(destination->Id);
  if (!source) return Fail(TWCC_BADDEST);
  return source->entry(origin, group, dat, msg, data);
}

TW_UINT16 SourceManager::ManagerTriplet(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat,
                                        TW_UINT16 msg, TW_MEMREF data) {
  if (group != DG_CONTROL) return Fail(TWCC_BADPROTOCOL);
  switch (dat) {
    case DAT_PARENT:
      if (msg == MSG_OPENDSM) return OpenManager(origin, data);
      if (msg == MSG_CLOSEDSM) return CloseManager();
      return Fail(TWCC_BADPROTOCOL);
    case DAT_IDENTITY:
      return Identity(origin, msg, static_cast<pTW_IDENTITY>(data));
    case DAT_STATUS:
      if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
      return Status(data);
    default:
      return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 SourceManager::OpenManager(pTW_IDENTITY origin, TW_MEMREF data) {
  if (open_) return Fail(TWCC_SEQERROR);
  // The data point to the parent's window handle. Window handles carry 32 significant bits on
  // every Windows, so only those are read: an application may keep the handle in a 32-bit field.
  parent_ = nullptr;
  if (data) {
    LONG handle = 0;
    std::memcpy(&handle, data, sizeof handle);
    parent_ = reinterpret_cast<HWND>(static_cast<LONG_PTR>(handle));
  }
  application_id_ = next_application_id_++;
  origin->Id = application_id_;
  open_ = true;
  RefreshCatalog(origin);
  return Succeed();
}

TW_UINT16 SourceManager::CloseManager() {
  if (!open_) return Fail(TWCC_SEQERROR);
  if (!sources_.empty()) return Fail(TWCC_SEQERROR);  // sources must be closed first
  open_ = false;
  parent_ = nullptr;
  catalog_.clear();
  return Succeed();
}

TW_UINT16 SourceManager::Identity(pTW_IDENTITY origin, TW_UINT16 msg, pTW_IDENTITY identity) {
  if (!open_) return Fail(TWCC_SEQERROR);
  if (!identity) return Fail(TWCC_BADVALUE);
  switch (msg) {
    case MSG_GETDEFAULT: return GetDefault(identity);
    case MSG_GETFIRST:
      RefreshCatalog(origin);
      return GetFirst(identity);
    case MSG_GETNEXT: return GetNext(identity);
    case MSG_SET: return SetDefault(identity);
    case MSG_USERSELECT:
      RefreshCatalog(origin);
      return UserSelect(identity);
    case MSG_OPENDS:
      RefreshCatalog(origin);
      return OpenDataSource(origin, identity);
    case MSG_CLOSEDS: return CloseDataSource(origin, identity);
    default: return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 SourceManager::GetDefault(pTW_IDENTITY identity) {
  if (catalog_.empty()) return Fail(TWCC_NODS);
  *identity = catalog_[DefaultSourceIndex(catalog_, ReadDefaultSourcePath())].identity;
  return Succeed();
}

TW_UINT16 SourceManager::GetFirst(pTW_IDENTITY identity) {
  next_in_catalog_ = 0;
  return GetNext(identity);
}

TW_UINT16 SourceManager::GetNext(pTW_IDENTITY identity) {
  if (next_in_catalog_ >= catalog_.size()) {
    condition_ = TWCC_SUCCESS;
    return TWRC_ENDOFLIST;
  }
  *identity = catalog_[next_in_catalog_++].identity;
  return Succeed();
}

TW_UINT16 SourceManager::SetDefault(pTW_IDENTITY identity) {
  size_t index = FindByProductName(catalog_, identity->ProductName);
  if (index == catalog_.size()) return Fail(TWCC_NODS);
  if (!WriteDefaultSourcePath(catalog_[index].path)) return Fail(TWCC_BUMMER);
  return Succeed();
}

TW_UINT16 SourceManager::UserSelect(pTW_IDENTITY identity) {
  if (catalog_.empty()) return Fail(TWCC_NODS);
  size_t initial = DefaultSourceIndex(catalog_, ReadDefaultSourcePath());
  int chosen = RunSelectDialog(resources_, parent_, catalog_, initial);
  if (chosen < 0 || static_cast<size_t>(chosen) >= catalog_.size()) {
    condition_ = TWCC_SUCCESS;
    return TWRC_CANCEL;
  }
  const SourceEntry& source = catalog_[static_cast<size_t>(chosen)];
  WriteDefaultSourcePath(source.path);
  *identity = source.identity;
  return Succeed();
}

TW_UINT16 SourceManager::OpenDataSource(pTW_IDENTITY origin, pTW_IDENTITY identity) {
  if (catalog_.empty()) return Fail(TWCC_NODS);
  size_t index = identity->ProductName[0] == '\0'
                     ? DefaultSourceIndex(catalog_, ReadDefaultSourcePath())
                     : FindByProductName(catalog_, identity->ProductName);
  if (index == catalog_.size()) return Fail(TWCC_NODS);
  const SourceEntry& chosen = catalog_[index];
  for (const auto& source : sources_) {
    if (std::strncmp(source->identity.ProductName, chosen.identity.ProductName,
                     sizeof chosen.identity.ProductName) == 0) {
      return Fail(TWCC_MAXCONNECTIONS);
    }
  }

  auto source = std::make_unique<OpenSource>();
  source->module.reset(LoadLibraryExA(chosen.path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
  if (!source->module) return Fail(TWCC_NODS);
  source->entry = reinterpret_cast<DSENTRYPROC>(
      reinterpret_cast<void*>(GetProcAddress(source->module.get(), "DS_Entry")));
  if (!source->entry) return Fail(TWCC_NODS);

  *identity = chosen.identity;
  identity->Id = next_source_id_++;
  TW_UINT16 result = source->entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, identity);
  if (result != TWRC_SUCCESS) {
    // The source's own reason is what the application will ask DAT_STATUS for.
    TW_STATUS status{};
    source->entry(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    condition_ = status.ConditionCode != TWCC_SUCCESS ? status.ConditionCode : TW_UINT16(TWCC_BUMMER);
    return TWRC_FAILURE;
  }
  source->identity = *identity;
  sources_.push_back(std::move(source));
  return Succeed();
}

TW_UINT16 SourceManager::CloseDataSource(pTW_IDENTITY origin, pTW_IDENTITY identity) {
  OpenSource* source = FindOpen(identity->Id);
  if (!source) return Fail(TWCC_BADDEST);
  TW_UINT16 result = source->entry(origin, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, identity);
  if (result != TWRC_SUCCESS) {
    TW_STATUS status{};
    source->entry(origin, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    condition_ = status.ConditionCode;
    return result;
  }
  sources_.erase(std::find_if(sources_.begin(), sources_.end(),
                              [source](const auto& open) { return open.get() == source; }));
  return Succeed();
}

TW_UINT16 SourceManager::Status(TW_MEMREF data) {
  if (!data) return Fail(TWCC_BADVALUE);
  // Reading the status clears it, as the protocol describes.
  TW_STATUS status{};
  status.ConditionCode = condition_;
  std::memcpy(data, &status, sizeof status);
  condition_ = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

void SourceManager::RefreshCatalog(pTW_IDENTITY origin) {
  catalog_ = FindSources(SourceFolder(), *origin);
  next_in_catalog_ = 0;
}

SourceManager::OpenSource* SourceManager::FindOpen(TW_UINT32 id) {
  for (const auto& source : sources_) {
    if (source->identity.Id == id) return source.get();
  }
  return nullptr;
}

}  // namespace twaindsm
