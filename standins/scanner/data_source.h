// The virtual scanner as a TWAIN 1.x data source: states 4 to 7, capabilities, transfers and
// events. One application session per loaded source (the manager loads it once per session).
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "scanner/capabilities.h"
#include "scanner/page_generator.h"
#include "scanner/scenario.h"
#include "protocol/twain_protocol.h"

namespace tvscan {

class ScannerDialog;

class DataSource {
 public:
  explicit DataSource(HINSTANCE module);
  ~DataSource();

  TW_UINT16 Entry(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

  // From the scanner's dialog.
  void StartBatch(uint32_t pages);
  void RequestClose();
  PageSettings CurrentSettings() const;
  void ApplyDialogSettings(PixelType type, uint32_t dpi, PaperSize paper);
  uint32_t FeederPages() const { return scenario_.pages; }
  bool BatchRunning() const { return state_ >= 6 || pending_ > 0; }

 private:
  TW_UINT16 Dispatch(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 Fail(TW_UINT16 condition);
  TW_UINT16 Succeed();
  bool InjectedFailure(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data, TW_UINT16& result);
  void Trace(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data, TW_UINT16 result) const;

  TW_UINT16 Identity(TW_UINT16 msg, pTW_IDENTITY identity);
  TW_UINT16 Open(pTW_IDENTITY identity);
  TW_UINT16 Close();
  TW_UINT16 Status(TW_MEMREF data);
  TW_UINT16 UserInterface(TW_UINT16 msg, TW_USERINTERFACE* ui);
  TW_UINT16 ProcessEvent(TW_EVENT* event);
  TW_UINT16 PendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS* pending);
  TW_UINT16 Inquiry(TW_MEMREF data);
  TW_UINT16 ImageInfo(TW_IMAGEINFO* info);
  TW_UINT16 SetupMemory(TW_SETUPMEMXFER* setup);
  TW_UINT16 SetupFile(TW_UINT16 msg, TW_SETUPFILEXFER* setup);
  TW_UINT16 Palette(TW_PALETTE8* palette);
  TW_UINT16 NativeTransfer(TW_MEMREF data);
  TW_UINT16 MemoryTransfer(TW_IMAGEMEMXFER* xfer);
  TW_UINT16 FileTransfer();

  bool LoadScenario(std::string& problem);
  void FillIdentity(TW_IDENTITY& identity) const;
  void PostEvent(TW_UINT16 event);
  // TWCC_SUCCESS when the page is ready, else the reason it is not.
  TW_UINT16 PreparePage();
  bool FindFolderPages(std::string& problem);
  uint32_t PagesForBatch(uint32_t feeder) const;
  bool TransferAllowed(TW_UINT16 mechanism, TW_UINT16& result);
  TW_UINT16 FinishPage(TW_UINT16 result);

  HINSTANCE module_;
  int state_ = 3;
  TW_UINT16 condition_ = TWCC_SUCCESS;
  TW_IDENTITY self_{};
  TW_IDENTITY application_{};
  CapabilitySet caps_;
  Scenario scenario_;
  PaperSize paper_ = PaperSize::A4;
  HWND parent_ = nullptr;
  DWORD thread_ = 0;
  bool show_ui_ = false;
  std::unique_ptr<ScannerDialog> dialog_;
  uint32_t pending_ = 0;
  uint32_t page_number_ = 0;  // pages scanned since the source was opened
  bool page_ready_ = false;
  Raster page_;
  PageSettings page_settings_;
  std::vector<uint8_t> strip_data_;  // the whole page as memory strips deliver it
  size_t strip_offset_ = 0;
  uint32_t strip_row_ = 0;
  uint32_t strips_sent_ = 0;  // strips of the page at hand delivered so far
  bool memory_started_ = false;
  std::string file_name_ = "TWAIN.TMP";
  TW_UINT16 file_format_ = TWFF_BMP;
  std::vector<std::string> folder_pages_;  // full names, in name order
};

// The message the source posts to the application's window to hand it an event.
UINT EventMessage();

}  // namespace tvscan
