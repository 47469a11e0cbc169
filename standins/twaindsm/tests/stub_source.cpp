// A minimal data source for the manager's tests, a peer written apart from our virtual scanner.
// Its ProductName is "Stub " and its file's base name, so copies under other names are distinct
// sources. A copy whose name begins with FAIL refuses MSG_OPENDS with TWCC_OPERATIONERROR.
// DG_CONTROL / 0x8002 / MSG_GET writes the caller's Id and the source's own Id: proof that the
// manager passed the triplet through.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "protocol/twain_protocol.h"

namespace {

HINSTANCE g_module = nullptr;
TW_UINT16 g_condition = TWCC_SUCCESS;
TW_UINT32 g_own_id = 0;
bool g_open = false;

void BaseName(char* out, size_t capacity) {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(g_module, path, MAX_PATH);
  const char* name = std::strrchr(path, '\\');
  name = name ? name + 1 : path;
  std::snprintf(out, capacity, "%s", name);
  if (char* dot = std::strrchr(out, '.')) *dot = '\0';
  CharUpperA(out);
}

void FillIdentity(TW_IDENTITY& identity) {
  TW_UINT32 id = identity.Id;
  identity = TW_IDENTITY{};
  identity.Id = id;
  identity.Version.MajorNum = 1;
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 9;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::snprintf(identity.Manufacturer, sizeof identity.Manufacturer, "Stub Maker");
  std::snprintf(identity.ProductFamily, sizeof identity.ProductFamily, "Stub");
  char base[32] = "";
  BaseName(base, sizeof base);
  std::snprintf(identity.ProductName, sizeof identity.ProductName, "Stub %s", base);
}

TW_UINT16 Fail(TW_UINT16 condition) {
  g_condition = condition;
  return TWRC_FAILURE;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_module = instance;
  return TRUE;
}

extern "C" TW_UINT16 WINAPI DS_Entry(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat,
                                     TW_UINT16 msg, TW_MEMREF data) {
  if (!origin || !data) return Fail(TWCC_BADVALUE);
  if (group == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET) {
    auto* status = static_cast<TW_STATUS*>(data);
    status->ConditionCode = g_condition;
    status->Reserved = 0;
    g_condition = TWCC_SUCCESS;
    return TWRC_SUCCESS;
  }
  if (group == DG_CONTROL && dat == DAT_IDENTITY) {
    auto* identity = static_cast<TW_IDENTITY*>(data);
    if (msg == MSG_GET) {
      FillIdentity(*identity);
      return TWRC_SUCCESS;
    }
    if (msg == MSG_OPENDS) {
      char base[32] = "";
      BaseName(base, sizeof base);
      if (std::strncmp(base, "FAIL", 4) == 0) return Fail(TWCC_OPERATIONERROR);
      if (g_open) return Fail(TWCC_SEQERROR);
      g_open = true;
      g_own_id = identity->Id;
      return TWRC_SUCCESS;
    }
    if (msg == MSG_CLOSEDS) {
      if (!g_open) return Fail(TWCC_SEQERROR);
      g_open = false;
      return TWRC_SUCCESS;
    }
  }
  if (group == DG_CONTROL && dat == DAT_CUSTOMBASE + 2 && msg == MSG_GET) {
    if (!g_open) return Fail(TWCC_SEQERROR);
    auto* ids = static_cast<TW_UINT32*>(data);
    ids[0] = origin->Id;
    ids[1] = g_own_id;
    return TWRC_SUCCESS;
  }
  return Fail(TWCC_BADPROTOCOL);
}
