// Acquisitions through the installed source manager and the virtual scanner, with a connection
// that keeps a copy of everything handed over and a presenter that keeps every message box.
// Shared by the transfer tests and the transfer benchmark.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "framework/message_box.h"
#include "scanner/page_generator.h"
#include "twain/twain_connection.h"

namespace quill {

struct ShownBox {
  std::string text;
  std::optional<std::string> caption;
  UINT style;
};

// Records every message box and answers OK.
class BoxRecorder : public qfw::MessagePresenter {
 public:
  BoxRecorder() : scope_(*this) {}
  int Show(HWND, const char* text, const char* caption, UINT style) override {
    shown.push_back({text, caption ? std::optional<std::string>(caption) : std::nullopt, style});
    return IDOK;
  }
  std::vector<ShownBox> shown;

 private:
  qfw::ScopedMessagePresenter scope_;
};

// What the source is asked to scan, set on it as soon as it is opened.
struct PageSetup {
  tvscan::PixelType type = tvscan::PixelType::Bw;
  uint32_t dpi = 50;
  bool vanilla = false;
  tvscan::PaperSize paper = tvscan::PaperSize::A4;
  uint16_t grayBits = 8;  // 4 with the scenario's "gray_bits = 4"

  tvscan::PageSettings Settings() const;
};

// The settings of one acquisition.
struct JobSetup {
  LONG scanMech = 0;     // 0 native, 1 memory, 2 file
  LONG destination = 0;  // 0 display, 1 file, 2 both
  LONG showUI = 0;
  LONG compress = 0;     // 0 none, 1..4 CCITT
  LONG fileFormat = 0;
  DWORD fileNumStep = 1;
  LONG fileNumDigit = 2;
  DWORD fileIdNumber = 0;
};

class CapturingConnection : public TwainConnection {
 public:
  explicit CapturingConnection(const PageSetup& page) : page_(page) {}

  using TwainConnection::TwainState;

  int OnNativeImage(HGLOBAL dib) override;
  int OnImageFile(const char* fileName) override;
  int SaveImage(HGLOBAL dib) override;
  void ReportError(UINT messageId, UINT detailId) override;
  void OnStateChanged(int newState) override;

  // Opens, negotiates and enables, runs the modal loop until the source is no longer enabled
  // (or `timeoutMs` passes), and records the state it ended in; then closes everything.
  void Run(DWORD timeoutMs = 60000);

  // Copies of the DIBs handed to the display, in order.
  std::vector<std::vector<uint8_t>> displayed;
  // The files handed to the display, with their bytes when they were handed over.
  std::vector<std::string> fileNames;
  std::vector<std::vector<uint8_t>> fileBytes;
  // Copies of the DIBs given to the output stage, and what it answers.
  std::vector<std::vector<uint8_t>> saved;
  std::vector<int> saveResults;  // consumed in order; 1 once they run out
  std::vector<UINT> reportedIds;
  std::atomic<int> handedOver{0};
  int stateAfterLoop = 0;
  bool timedOut = false;
  bool keepOwnedDibs = true;  // false: only the first and the latest DIB are kept
  int refuseImages = 0;  // OnNativeImage answers 0 (after freeing the DIB) this many times
  bool realOutput = false;  // true: images given to the output stage are really written

 private:
  void ConfigureSource();
  int SetOneValue(TW_UINT16 cap, TW_UINT16 itemType, TW_UINT32 value);

  PageSetup page_;
  bool configured_ = false;
};

// Sets the process's settings record for one acquisition.
void ApplyJob(const JobSetup& job);

// The folder for transferred files, ending in a backslash.
std::string TransferFolder();

// The scanner's page `number` as a DIB would carry it, compared with a DIB's bytes: size, depth,
// every pixel and the colour table.
::testing::AssertionResult SamePage(const std::vector<uint8_t>& dib, uint32_t number,
                                    const PageSetup& page);
// The same for a BMP file's bytes.
::testing::AssertionResult SamePageInBmp(const std::vector<uint8_t>& file, uint32_t number,
                                         const PageSetup& page);

// Binds the filter library installed beside the scanner for the whole test program.
void BindInstalledFilter();

}  // namespace quill
