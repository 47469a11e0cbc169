// A TWAIN 1.x application for the tests: the installed manager loaded by path, DSM_Entry by
// ordinal 1, a window of its own for the source's events, and the three transfer mechanisms
// turning every image back into top-down packed rows for comparison with the page generator.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "scanner/page_generator.h"
#include "protocol/twain_protocol.h"

namespace tvscan_test {

struct ReceivedImage {
  TW_IMAGEINFO info{};
  tvscan::Raster raster;                // as decoded, top-down packed rows
  std::vector<tvscan::Colour> colours;  // the DIB's or TIFF's colour table
  std::vector<TW_IMAGEMEMXFER> strips;  // memory mode: every strip record
  size_t bytes_received = 0;            // memory mode: sum of BytesWritten
  TW_UINT16 result = TWRC_SUCCESS;      // of the transfer call
  TW_UINT16 condition = TWCC_SUCCESS;   // when the transfer failed
};

class TwainClient {
 public:
  TwainClient();
  ~TwainClient();
  TwainClient(const TwainClient&) = delete;
  TwainClient& operator=(const TwainClient&) = delete;

  bool loaded() const { return entry_ != nullptr; }
  HWND window() const { return window_; }

  TW_UINT16 OpenManager();
  TW_UINT16 OpenSource(const char* product_name = "TALVORN Virtual Scanner");
  TW_UINT16 CloseSource();
  TW_UINT16 CloseManager();
  TW_UINT16 ManagerCondition();
  TW_UINT16 SourceCondition();

  TW_UINT16 CallSource(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 SetOneValue(TW_UINT16 cap, TW_UINT16 item_type, TW_UINT32 value);
  // GET-style request; the container type and its items (16-bit or 32-bit by item type).
  TW_UINT16 GetCap(TW_UINT16 msg, TW_UINT16 cap, TW_UINT16& con_type, std::vector<TW_UINT32>& items,
                   TW_UINT32* current_index = nullptr);

  TW_UINT16 Enable(bool show_ui);
  TW_UINT16 Disable();

  // Pumps the thread's messages through MSG_PROCESSEVENT until the source reports
  // MSG_XFERREADY (true) or MSG_CLOSEDSREQ, or the time runs out (false).
  bool WaitForEvent(TW_UINT16& event, DWORD timeout_ms);

  // Transfers every pending image of the batch by the mechanism set, ending each with
  // MSG_ENDXFER; for file mode `file_format` names what DAT_SETUPFILEXFER asks for.
  std::vector<ReceivedImage> TransferBatch(TW_UINT16 mechanism, TW_UINT16 file_format = TWFF_BMP);

  const TW_IDENTITY& source() const { return source_; }
  TW_UINT16 pending_after_last() const { return pending_; }

 private:
  bool TransferOne(TW_UINT16 mechanism, TW_UINT16 file_format, ReceivedImage& image);
  bool Native(ReceivedImage& image);
  bool Memory(ReceivedImage& image);
  bool File(TW_UINT16 file_format, ReceivedImage& image);

  HMODULE module_ = nullptr;
  DSMENTRYPROC entry_ = nullptr;
  HWND window_ = nullptr;
  TW_IDENTITY app_{};
  TW_IDENTITY source_{};
  TW_UINT16 pending_ = 0;
  std::string temp_folder_;
};

// Decoders shared with the scenario tests.
bool DibToRaster(const uint8_t* dib, size_t size, tvscan::Raster& raster, std::vector<tvscan::Colour>& colours);
bool TiffToRaster(const std::vector<uint8_t>& file, tvscan::Raster& raster, std::vector<tvscan::Colour>& colours,
                  uint16_t& photometric);
std::vector<uint8_t> ReadFileBytes(const std::string& name);

// The folder for screenshots: the build folder when the test runs from ctest, else the current one.
std::string BuildFolder();

}  // namespace tvscan_test
