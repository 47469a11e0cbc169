// The connection to the TWAIN source manager and one data source: loading and opening the
// manager, opening and enabling the source, the TWAIN state number, the modal loop of an
// acquisition and the hand-over of window messages to the enabled source.
//
// The main frame derives from this class; everything runs on the user-interface thread.
#pragma once

#include <windows.h>

#include <cstddef>

#include "framework/handles.h"
#include "protocol/twain_protocol.h"

namespace quill {

class GatherBuffer;
using qfw::GlobalBlock;
class RowTarget;
struct DibDescription;
struct MemoryImageLayout;
struct MemoryPage;

// 1 while the main frame exists. The acquisition reads it after its message loop, because the
// frame may have been destroyed by a message dispatched inside that loop.
extern short g_bFrameAlive;

// Loads the source manager's library into `library` and returns its entry point, or returns
// null and leaves `library` empty.
using SourceManagerLoader = DSMENTRYPROC (*)(qfw::UniqueModule& library);

// The program's loader: TWAIN_32.DLL from the Windows folder, entry point by ordinal 1.
DSMENTRYPROC LoadTwainLibrary(qfw::UniqueModule& library);

// `windowsDirectory` + "\" (unless it ends in one or is empty) + "TWAIN_32.DLL" into `path`.
// False, with nothing usable in `path`, when it does not fit in `capacity` bytes.
bool ComposeSourceManagerPath(const char* windowsDirectory, char* path, std::size_t capacity);

class TwainConnection {
 public:
  TwainConnection();
  TwainConnection(const TwainConnection&) = delete;
  TwainConnection& operator=(const TwainConnection&) = delete;

  // The order of these declarations is the order of their slots: keep it.
  // The source asked to be closed (MSG_CLOSEDSREQ). Result of CloseSource.
  virtual int OnCloseSourceRequest();
  // A transferred DIB to display. The callee owns it from the call on, whatever it returns: a
  // DIB it cannot show it frees itself. The base frees it.
  virtual int OnNativeImage(HGLOBAL dib);
  // A transferred BMP file to display.
  virtual int OnImageFile(const char* fileName);
  // Called after every assignment of TwainState.
  virtual void OnStateChanged(int newState);
  // The general failure report with the last condition code (detailId only for setting failures).
  virtual void ReportError(UINT messageId, UINT detailId);
  // Writes a DIB to the next output file; 1 if written. Does not free the DIB.
  virtual int SaveImage(HGLOBAL dib);
  // Asks the default source once about job control, duplex and enabling its dialog alone.
  virtual void ProbeExtendedCapabilities();
  // Warns when the default source is not the maker's own; `selected` 1 right after the user chose.
  virtual void CheckManufacturer(int selected);
  // Walks the connection down to state 1.
  virtual ~TwainConnection();

  // Steps between the states; each returns 1 when the state it promises is reached.
  int LoadSourceManager();             // 1 -> 2
  int UnloadSourceManager();           // 2 -> 1
  int OpenSourceManager(HWND parent);  // -> 3, loading first when needed
  int CloseSourceManager(HWND parent); // closes the source first; 3 -> 2
  int OpenSource();                    // 3 -> 4, the manager's default source
  int CloseSource();                   // disables first; 4 -> 3
  int EnableSource(HWND parent);       // 4 -> 5
  int DisableSource();                 // 5 -> 4; always stores the running file number
  int EndTransfer();                   // 7 -> 6 or 5
  int ResetTransfers();                // ends a transfer, then 6 -> 5
  // One step down at a time until TwainState <= target; 0 at the first step that fails.
  int DropToState(int target, HWND parent);

  // DSM_Entry with no destination (the manager itself). 1 if it returned TWRC_SUCCESS.
  int CallManager(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  // DSM_Entry to the open source, fetching the condition code after a failure. 1 if TWRC_SUCCESS.
  int CallSource(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);
  TW_UINT16 GetConditionCode();

  // The manager's source selection dialog, then the manufacturer check. Result of MSG_USERSELECT.
  int SelectSource(HWND parent);
  // The whole acquisition; returns when the connection is back where it started.
  int Acquire(HWND parent);
  // Opens what is not open yet, negotiates and enables the source. A failure is reported and the
  // connection walked back to where it started.
  int OpenAndEnable(HWND parent);
  // The modal loop while the source is enabled. A quit message ends it and is posted again.
  void PumpMessages();
  // Offers a window message to the open source; 1 if the source consumed it.
  int ProcessEvent(MSG* message);
  // `parent` if given, else the main window, else none.
  HWND GetParentWindow(HWND parent) const;

  // Applies the settings to the open source (state 4) before it is enabled. Every refused
  // setting is reported on its own; none stops the acquisition.
  void NegotiateCapabilities();
  // Mode 0: 1 if the source answers CAP_DEVICEONLINE at all. Mode 1: 1 if it reports the device
  // on line.
  int IsDeviceOnline(int mode);
  // The steps of the negotiation; each reads the settings and reports its own failures.
  void SetDocumentSelect();
  void SetTransferCount();
  void SetUnits();
  void SetTransferMode();
  void SetCompressionMode();
  void SetImageFileFormat();
  // The queries of the start-up probe; 1 if the open source supports the capability.
  int IsJobControlSupported();
  int IsDuplexSupported();
  int IsUiOnlySupported();
  // The source has images ready: transfers them, then ends the batch.
  void OnTransferReady();
  // The transfers of one batch in each mode; each loops over the pending images.
  void TransferNative();
  void TransferMemory();
  void TransferFile();
  // Tells the source the temporary file and format of a file-mode transfer.
  // False, after the report that memory and native transfers give, when the temporary file's
  // name does not fit: the source is then not asked to write anywhere.
  bool SetupFileTransfer();
  // Renames a transferred file to the next output name, put into `outputName`, replacing an
  // existing file in one step (after the overwrite question). An OutputMove: kMovedToOutput when
  // the file now carries that name; kKeptBeside, with the name it has now in `outputName`, when
  // the old file could not be replaced (the failure has been reported; `outputName` is empty
  // when that name does not fit it).
  int MoveToOutputFile(const char* temporaryName, char* outputName, std::size_t capacity);
  // After a batch: the configured program with the batch's file names, when one is configured.
  void LaunchProcess();

 protected:
  // For stand-ins of the source manager.
  explicit TwainConnection(SourceManagerLoader loader);
  void SetTwainState(int state);

  int TwainState;
  int SavedState;  // TwainState when the running public operation started
  TW_IDENTITY ApplicationIdentity;
  TW_UINT16 LastReturnCode;
  TW_UINT16 LastConditionCode;
  TW_USERINTERFACE UserInterface;
  TW_PENDINGXFERS PendingTransfers;
  TW_SETUPMEMXFER MemorySetup;
  TW_SETUPFILEXFER FileSetup;
  TW_IMAGEINFO ImageInformation;
  TW_INT16 OverwriteMode;  // 0 ask, 1 overwrite this file, 2 overwrite the rest of the batch
  // The user has been told once that CCITT strips are not asked for without the filter library.
  bool ToldNoFilterForCcitt = false;
  DSMENTRYPROC EntryPoint;
  qfw::UniqueModule Library;
  TW_IDENTITY SourceIdentity;

 private:
  void ClearSourceIdentity();
  int StepDown(HWND parent);
  void TrackManagerState(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_UINT16 returnCode);
  void TrackSourceState(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data,
                        TW_UINT16 returnCode);
  TW_UINT16 QueryStatus(pTW_IDENTITY destination, bool onManagerPath);
  void ShowManufacturerWarning(int selected, const TW_IDENTITY& source) const;

  // How the transfer of one memory image ended: go on with the next, stop after a report that
  // was shown, or stop with the report of a failed memory transfer.
  enum class MemoryImageEnd { kNext, kReported, kFailed };
  // Brings a batch that stopped early back to state 5.
  void EndBatch();
  // Ends the transfer in state 7; the return code of MSG_ENDXFER if it was sent, else
  // `transferCode`.
  TW_UINT16 EndTransferOutcome(TW_UINT16 transferCode);
  // Shows and/or saves a finished image, with the wait cursor; the result of saving (1 without).
  int HandOverImage(GlobalBlock dib);
  // DAT_IMAGEINFO of the next image; a failure is reported and ends the transfer.
  int GetImageInformation();
  // The 16-bit item of a TW_ONEVALUE the source gives for MSG_GETCURRENT; `answered` false when
  // it gives none.
  TW_UINT16 GetCurrentValue16(TW_UINT16 cap, bool& answered);
  // ICAP_PIXELFLAVOR, chocolate when the source does not say.
  TW_UINT16 GetPixelFlavor();
  DibDescription DescribeMemoryImage(const MemoryImageLayout& layout, TW_UINT16& flavor);
  // One memory image, in its steps: what the page will be, its strips, its pixels. Each step
  // that fails reports it (kReported) or leaves the report to the caller (kFailed).
  MemoryImageEnd TransferMemoryImage(int& handOver);
  MemoryImageEnd PrepareMemoryPage(MemoryPage& page);
  // The strips up to the end of the page; `stripCode` says how the page ended.
  MemoryImageEnd ReceiveStrips(MemoryPage& page, TW_UINT16& stripCode);
  MemoryImageEnd DropUnfinishedPage(TW_UINT16 stripCode, bool stripArrived);
  // The pixels of a compressed page, decoded from its strips.
  MemoryImageEnd DecodePage(MemoryPage& page);
  // The pixels of an uncompressed page of unknown length, from the rows gathered.
  MemoryImageEnd GatherGrownRows(MemoryPage& page);
  // Decodes the gathered CCITT data into `rows` rows of the target; 0 when memory runs out.
  // A failure of the filter library shows its own report, and the rows decoded so far are kept.
  int DecodeCcitt(const GatherBuffer& coded, const MemoryImageLayout& layout, DWORD rows,
                  TW_UINT16 flavor, RowTarget& target);

  SourceManagerLoader loader_;
};

}  // namespace quill
