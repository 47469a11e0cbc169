// The transfers of a batch: every pending image pulled from the source in the configured mode
// (native DIB, memory strips, a file the source writes) and handed to the display and the output
// stage. Everything runs inside the handling of the one event that said images are ready.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "image/dib.h"
#include "framework/file.h"
#include "kestrel/core/coding_mode.h"
#include "filter/kestrel_filter.h"
#include "twain/memory_image.h"
#include "twain/output_names.h"
#include "config/scan_settings.h"
#include "base/text.h"
#include "image/tiff_reader.h"
#include "twain/transfer_output.h"
#include "twain/twain_connection.h"
#include "res/twain_ids.h"
#include "twain/twain_reports.h"
#include "framework/wait_cursor.h"
#include "image/win_handles.h"

namespace quill {
namespace {

// The triplets the transfer reports name, in the protocol's own spelling.
const char kDgControl[] = "DG_CONTROL";
const char kDgImage[] = "DG_IMAGE";
const char kDatImageInfo[] = "DAT_IMAGEINFO";
const char kDatImageNativeXfer[] = "DAT_IMAGENATIVEXFER";
const char kDatSetupMemXfer[] = "DAT_SETUPMEMXFER";
const char kDatImageMemXfer[] = "DAT_IMAGEMEMXFER";
const char kDatSetupFileXfer[] = "DAT_SETUPFILEXFER";
const char kMsgGet[] = "MSG_GET";

// Room for the header and the largest colour table: what a DIB's pixels can never take.
constexpr uint64_t kDibOverhead = kDibInfoHeaderSize + 256 * sizeof(RGBQUAD);
// A preferred strip buffer beyond this is a source's mistake, not a reason to run out of memory.
constexpr SIZE_T kMaxTransferBuffer = 64u * 1024 * 1024;
// Where CCITT data of an image of unknown length start gathering; the buffer grows as they come.
constexpr SIZE_T kInitialCodedBuffer = 1024 * 1024;
// A source that keeps sending strips long after any image could have ended (empty ones, or more
// than the largest DIB twice over) is not going to finish it.
constexpr int kMaxEmptyStrips = 1000;
constexpr uint64_t kMaxStripBytesPerImage = 2 * kMaxDibBytes;

constexpr UINT kDirectionMemory = 2;
constexpr UINT kExecuteThird = 3;

// Parameter block words of a decoding command.
enum CodingWord {
  kInputBytesWord = 1,
  kRowBytesWord = 2,
  kRowsWord = 3,
  kInputAddressWord = 5,
  kOutputBytesWord = 7,
  kPixelWidthWord = 8,
  kOutputAddressWord = 11,
};

bool TransferSucceeded(TW_UINT16 returnCode) {
  return returnCode == TWRC_SUCCESS || returnCode == TWRC_XFERDONE;
}

// A native or file transfer call ends its image with TWRC_XFERDONE or TWRC_CANCEL; any other
// answer leaves the image where it was, and asking again would ask for it forever.
bool ImageEnded(TW_UINT16 returnCode) {
  return returnCode == TWRC_XFERDONE || returnCode == TWRC_CANCEL;
}

// The filter library reads 32-bit addresses; memory beyond them cannot be handed to it.
uint32_t FilterAddress(const void* memory) {
  const auto address = reinterpret_cast<uintptr_t>(memory);
  if (address > UINT32_MAX) throw CKestrelException(kKestrelAddressOutOfReach);
  return static_cast<uint32_t>(address);
}

// The filter library's coding mode of a TWAIN CCITT compression.
std::optional<uint8_t> DecodeModeOf(TW_UINT16 compression) {
  using kestrel::CodingMode;
  switch (compression) {
    case TWCP_GROUP31D: return static_cast<uint8_t>(CodingMode::Group3OneDim);
    case TWCP_GROUP31DEOL: return static_cast<uint8_t>(CodingMode::Group3FilledEol);
    case TWCP_GROUP32D: return static_cast<uint8_t>(CodingMode::Group3TwoDim);
    case TWCP_GROUP4: return static_cast<uint8_t>(CodingMode::Group4);
    default: return std::nullopt;
  }
}

TW_IMAGEMEMXFER EmptyStripRecord(HGLOBAL buffer, TW_UINT32 length) {
  // Fields a source leaves alone read as "don't care", not as a row length of 0.
  TW_IMAGEMEMXFER strip{};
  strip.Compression = TWON_DONTCARE16;
  strip.BytesPerRow = strip.Columns = strip.Rows = TWON_DONTCARE32;
  strip.XOffset = strip.YOffset = TWON_DONTCARE32;
  // Nothing counts as written until the source says so: a source that leaves the count alone
  // must not have the buffer's old contents taken as new rows.
  strip.BytesWritten = 0;
  strip.Memory.Flags = TWMF_APPOWNS | TWMF_HANDLE;
  strip.Memory.Length = length;
  strip.Memory.TheMem = buffer;
  return strip;
}

// Deletes a temporary file; one that is not there is already what was wanted.
void DeleteTemporaryFile(const char* name) {
  if (name[0] != '\0') DeleteFileA(name);
}

}  // namespace

// --- The batch ---

void TwainConnection::OnTransferReady() {
  const ScanSettings& settings = TheSettings();
  switch (settings.ScanMech) {
    case kTransferNative: TransferNative(); break;
    case kTransferMemory: TransferMemory(); break;
    case kTransferFile: TransferFile(); break;
    default: break;
  }
  EndBatch();
  if (settings.ShowUI != 1) DisableSource();
  OverwriteMode = 0;
  OutputNames.FirstNamePending = true;
  LaunchProcess();
}

void TwainConnection::EndBatch() {
  // A batch that stopped early leaves images pending: the source must be brought back to
  // state 5, or it could neither be disabled nor the acquisition end.
  if (TwainState <= 5) return;
  DropToState(5, nullptr);
  if (TwainState == 6) {
    // A source still inside an image refuses MSG_RESET until that image is ended.
    SetTwainState(7);
    DropToState(5, nullptr);
  }
}

TW_UINT16 TwainConnection::EndTransferOutcome(TW_UINT16 transferCode) {
  const bool sent = TwainState == 7;
  EndTransfer();
  return sent ? LastReturnCode : transferCode;
}

int TwainConnection::HandOverImage(GlobalBlock dib) {
  const ScanSettings& settings = TheSettings();
  int result = 1;
  {
    qfw::WaitCursor wait;
    switch (settings.Destination) {
      case kToDisplay: OnNativeImage(dib.release()); break;
      case kToFile: result = SaveImage(dib.get()); break;
      case kToDisplayAndFile:
        result = SaveImage(dib.get());
        OnNativeImage(dib.release());
        break;
      default: break;
    }
  }
  if (settings.Destination != kToDisplay) AdvanceRunningFileNumber(settings);
  return result;
}

int TwainConnection::GetImageInformation() {
  if (CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &ImageInformation)) return 1;
  ReportTraceError(kDgImage, kDatImageInfo, kMsgGet);
  EndTransfer();
  return 0;
}

// --- Native ---

void TwainConnection::TransferNative() {
  int handOver = 1;
  do {
    if (!GetImageInformation()) return;
    TW_HANDLE handle = nullptr;
    CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
    const TW_UINT16 transferCode = LastReturnCode;
    GlobalBlock dib(transferCode == TWRC_XFERDONE ? static_cast<HGLOBAL>(handle) : nullptr);
    const TW_UINT16 outcome = EndTransferOutcome(transferCode);
    // A DIB whose header reaches outside its block would be read past its end downstream.
    const bool usable = !dib || static_cast<bool>(LockedDib(dib.get()));
    if (!usable) dib.reset();
    if (dib) handOver = HandOverImage(std::move(dib));
    if (!TransferSucceeded(outcome) || !ImageEnded(transferCode) || !usable) {
      ReportTraceError(kDgImage, kDatImageNativeXfer, kMsgGet);
      return;
    }
  } while (TwainState == 6 && handOver == 1);
  if (handOver != 1) EndTransfer();
}

// --- Memory ---

void TwainConnection::TransferMemory() {
  int handOver = 1;
  do {
    if (!GetImageInformation()) return;
    switch (TransferMemoryImage(handOver)) {
      case MemoryImageEnd::kNext: break;
      case MemoryImageEnd::kReported: return;
      case MemoryImageEnd::kFailed:
        ReportTraceError(kDgImage, kDatImageMemXfer, kMsgGet);
        return;
    }
  } while (TwainState == 6 && handOver == 1);
}

TW_UINT16 TwainConnection::GetCurrentValue16(TW_UINT16 cap, bool& answered) {
  TW_CAPABILITY capability = {};
  capability.Cap = cap;
  capability.ConType = TWON_DONTCARE16;
  answered = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_GETCURRENT, &capability) != 0;
  GlobalBlock container(answered ? static_cast<HGLOBAL>(capability.hContainer) : nullptr);
  if (!answered || capability.ConType != TWON_ONEVALUE) {
    answered = false;
    return 0;
  }
  GlobalLockGuard lock(container.get());
  if (!lock || lock.size() < sizeof(TW_ONEVALUE)) {
    answered = false;
    return 0;
  }
  TW_ONEVALUE value;
  std::memcpy(&value, lock.data(), sizeof value);
  return static_cast<TW_UINT16>(value.Item & 0xFFFF);
}

TW_UINT16 TwainConnection::GetPixelFlavor() {
  bool answered = false;
  const TW_UINT16 flavor = GetCurrentValue16(ICAP_PIXELFLAVOR, answered);
  return answered ? flavor : TW_UINT16(TWPF_CHOCOLATE);
}

DibDescription TwainConnection::DescribeMemoryImage(const MemoryImageLayout& layout,
                                                    TW_UINT16& flavor) {
  DibDescription description;
  bool answered = false;
  const TW_UINT16 unit = GetCurrentValue16(ICAP_UNITS, answered);
  if (answered) {
    description.xPelsPerMeter = ResolutionToPixelsPerMeter(ImageInformation.XResolution, unit);
    description.yPelsPerMeter = ResolutionToPixelsPerMeter(ImageInformation.YResolution, unit);
  }
  flavor = TWPF_CHOCOLATE;
  switch (ImageInformation.PixelType) {
    case TWPT_BW:
      flavor = GetPixelFlavor();
      description.colours = BlackAndWhiteTable(flavor);
      break;
    case TWPT_GRAY:
      flavor = GetPixelFlavor();
      description.colours = GrayTable(flavor, layout.bitsPerPixel);
      break;
    case TWPT_RGB: break;
    default: {
      TW_PALETTE8 palette = {};
      if (CallSource(DG_IMAGE, DAT_PALETTE8, MSG_GET, &palette)) {
        description.colours = SourcePaletteTable(palette, layout.bitsPerPixel);
      }
      break;
    }
  }
  return description;
}

// Everything one memory image gathers on its way from the source to a DIB. The lock on the DIB
// is declared after the DIB, so it goes first.
struct MemoryPage {
  MemoryImageLayout layout;
  DibDescription description;
  TW_UINT16 flavor = TWPF_CHOCOLATE;
  bool compressed = false;
  SIZE_T maxPixelBytes = static_cast<SIZE_T>(kMaxDibBytes - kDibOverhead);
  std::optional<GatherBuffer> coded;  // the strips of a compressed page, decoded at its end
  GlobalBlock dib;                    // made before the strips when the source gives the length
  std::optional<LockedDib> pixels;
  std::optional<DibRowTarget> dibRows;
  std::optional<GrowingRowTarget> growingRows;  // an uncompressed page of unknown length
  RowTarget* rows = nullptr;
  uint64_t rowsInCodedStrips = 0;
  bool stripArrived = false;
};

namespace {

// Rows go straight into the page's DIB, `rows` of them. False when the DIB cannot be locked.
bool AimRowsAtDib(MemoryPage& page, DWORD rows) {
  page.pixels.emplace(page.dib.get());
  if (!*page.pixels) return false;
  page.dibRows.emplace(page.pixels->pixels(), page.layout.stride, rows);
  page.rows = &*page.dibRows;
  return true;
}

}  // namespace

TwainConnection::MemoryImageEnd TwainConnection::TransferMemoryImage(int& handOver) {
  MemoryPage page;
  TW_UINT16 stripCode = TWRC_FAILURE;
  MemoryImageEnd end = PrepareMemoryPage(page);
  if (end == MemoryImageEnd::kNext) end = ReceiveStrips(page, stripCode);
  if (end != MemoryImageEnd::kNext) return end;
  if (stripCode != TWRC_XFERDONE) return DropUnfinishedPage(stripCode, page.stripArrived);
  end = page.compressed ? DecodePage(page) : GatherGrownRows(page);
  if (end != MemoryImageEnd::kNext) return end;
  page.pixels.reset();
  const TW_UINT16 outcome = EndTransferOutcome(stripCode);
  // A source that never said how long its image was, and sent no row, has given no image.
  if (!page.dib) return MemoryImageEnd::kFailed;
  handOver = HandOverImage(std::move(page.dib));
  if (handOver != 1) EndTransfer();
  return TransferSucceeded(outcome) ? MemoryImageEnd::kNext : MemoryImageEnd::kFailed;
}

TwainConnection::MemoryImageEnd TwainConnection::PrepareMemoryPage(MemoryPage& page) {
  switch (ComputeMemoryImageLayout(ImageInformation, page.layout)) {
    case LayoutFault::kNone: break;
    case LayoutFault::kUnusable:
      ReportTraceError(kDgImage, kDatImageInfo, kMsgGet);
      return MemoryImageEnd::kReported;
    case LayoutFault::kTooLarge:
      ReportOutOfMemory();
      return MemoryImageEnd::kReported;
  }
  const MemoryImageLayout& layout = page.layout;
  page.compressed = ImageInformation.Compression != TWCP_NONE;
  if (page.compressed) {
    // Twice the image is plenty for any sensible coding; a source that sends more is cut off.
    const SIZE_T limit =
        layout.lengthKnown ? static_cast<SIZE_T>(std::min<uint64_t>(2 * layout.imageBytes, page.maxPixelBytes))
                           : page.maxPixelBytes;
    page.coded.emplace(layout.lengthKnown ? limit : kInitialCodedBuffer, limit);
    if (!*page.coded) {
      ReportOutOfMemory();
      return MemoryImageEnd::kReported;
    }
    if (KestrelFilter* filter = ProgramFilter()) filter->Reset();
  }
  page.description = DescribeMemoryImage(layout, page.flavor);
  if (layout.lengthKnown) {
    page.dib = CreateTransferDib(layout, layout.rows, page.description);
    if (!page.dib) {
      ReportOutOfMemory();
      return MemoryImageEnd::kReported;
    }
  }
  return MemoryImageEnd::kNext;
}

TwainConnection::MemoryImageEnd TwainConnection::ReceiveStrips(MemoryPage& page, TW_UINT16& stripCode) {
  if (!CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &MemorySetup)) {
    ReportTraceError(kDgControl, kDatSetupMemXfer, kMsgGet);
    EndTransfer();
    return MemoryImageEnd::kReported;
  }
  const MemoryImageLayout& layout = page.layout;
  const TW_UINT32 asked = MemorySetup.Preferred != 0 ? MemorySetup.Preferred : MemorySetup.MinBufSize;
  const SIZE_T bufferSize = std::min<SIZE_T>(asked != 0 ? asked : layout.stride, kMaxTransferBuffer);
  GlobalBlock buffer = GlobalBlock::AllocateMovable(bufferSize);
  GlobalLockGuard bufferLock(buffer.get());
  bool rowsReady = true;
  if (page.dib) {
    rowsReady = AimRowsAtDib(page, layout.rows);
  } else {
    page.rows = &page.growingRows.emplace(layout.stride, page.maxPixelBytes);
  }
  if (!bufferLock || !rowsReady) {
    ReportOutOfMemory();
    EndTransfer();
    return MemoryImageEnd::kReported;
  }
  const bool swapRedBlue = ImageInformation.PixelType == TWPT_RGB && layout.bitsPerPixel == 24;

  // The strips, top row first, each into the rows that are left.
  uint64_t bytesReceived = 0;
  int emptyStrips = 0;
  for (;;) {
    TW_IMAGEMEMXFER strip = EmptyStripRecord(buffer.get(), static_cast<TW_UINT32>(bufferSize));
    CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
    stripCode = LastReturnCode;
    if (!TransferSucceeded(stripCode)) break;
    page.stripArrived = true;
    const DWORD written = static_cast<DWORD>(std::min<SIZE_T>(strip.BytesWritten, bufferSize));
    bytesReceived += written;
    emptyStrips = written == 0 ? emptyStrips + 1 : 0;
    if (emptyStrips > kMaxEmptyStrips || bytesReceived > kMaxStripBytesPerImage) {
      stripCode = TWRC_FAILURE;
      break;
    }
    if (page.compressed) {
      page.coded->Append(bufferLock.bytes(), written);
      if (strip.Rows != TWON_DONTCARE32) page.rowsInCodedStrips += strip.Rows;
    } else {
      CopyStrip(*page.rows, bufferLock.bytes(), written, strip, layout, swapRedBlue);
    }
    if (stripCode == TWRC_XFERDONE) break;
  }
  // A page the source called done without a byte of it arriving is no page: showing or saving
  // the blank rows prepared for it would pass off a lost page as scanned.
  if (stripCode == TWRC_XFERDONE && bytesReceived == 0) stripCode = TWRC_FAILURE;
  return MemoryImageEnd::kNext;
}

TwainConnection::MemoryImageEnd TwainConnection::DropUnfinishedPage(TW_UINT16 stripCode, bool stripArrived) {
  // A source that failed after its first strip is still inside the image (the state counts it
  // back at 6): it must be ended before the batch can be.
  if (stripArrived && TwainState == 6 && stripCode != TWRC_CANCEL) SetTwainState(7);
  const TW_UINT16 outcome = EndTransferOutcome(stripCode);
  if (stripCode == TWRC_CANCEL && TransferSucceeded(outcome)) return MemoryImageEnd::kNext;
  return MemoryImageEnd::kFailed;
}

TwainConnection::MemoryImageEnd TwainConnection::DecodePage(MemoryPage& page) {
  const MemoryImageLayout& layout = page.layout;
  DWORD decodedRows = layout.rows;
  if (!layout.lengthKnown) {
    // The page is as long as the rows the strips said they held, within what a DIB may hold.
    decodedRows = static_cast<DWORD>(std::min<uint64_t>(page.rowsInCodedStrips, page.maxPixelBytes / layout.stride));
    page.dib = CreateTransferDib(layout, decodedRows, page.description);
    if ((decodedRows != 0 && !page.dib) || (page.dib && !AimRowsAtDib(page, decodedRows))) {
      ReportOutOfMemory();
      EndTransfer();
      return MemoryImageEnd::kReported;
    }
  }
  if (!ProgramFilter()) {
    // Nothing can decode the page: a blank one must not be shown or saved in its place.
    CKestrelException(kKestrelCannotLoad).ReportError();
    EndTransfer();
    return MemoryImageEnd::kReported;
  }
  if (page.dib && !DecodeCcitt(*page.coded, layout, decodedRows, page.flavor, *page.rows)) {
    ReportOutOfMemory();
    EndTransfer();
    return MemoryImageEnd::kReported;
  }
  return MemoryImageEnd::kNext;
}

TwainConnection::MemoryImageEnd TwainConnection::GatherGrownRows(MemoryPage& page) {
  if (page.layout.lengthKnown) return MemoryImageEnd::kNext;  // the rows are in the DIB already
  const DWORD rows = page.growingRows->RowsWritten();
  page.dib = CreateTransferDib(page.layout, rows, page.description);
  if (!page.dib) {
    if (rows == 0) return MemoryImageEnd::kNext;  // no image: the caller says so
    ReportOutOfMemory();
    EndTransfer();
    return MemoryImageEnd::kReported;
  }
  LockedDib made(page.dib.get());
  if (!made) {
    ReportOutOfMemory();
    EndTransfer();
    return MemoryImageEnd::kReported;
  }
  page.growingRows->CopyInto(made.pixels());
  return MemoryImageEnd::kNext;
}

int TwainConnection::DecodeCcitt(const GatherBuffer& coded, const MemoryImageLayout& layout,
                                 DWORD rows, TW_UINT16 flavor, RowTarget& target) {
  const uint64_t outputBytes = uint64_t{rows} * layout.packedRowBytes;
  GlobalBlock output = GlobalBlock::AllocateMovable(static_cast<SIZE_T>(outputBytes));
  GlobalLockGuard outputLock(output.get());
  GlobalLockGuard codedLock(coded.get());
  if (!outputLock || !codedLock) return 0;
  KestrelFilter* filter = ProgramFilter();
  try {
    if (!filter) throw CKestrelException(kKestrelCannotLoad);
    if (const std::optional<uint8_t> mode = DecodeModeOf(ImageInformation.Compression)) {
      const bool twoDimensional = ImageInformation.Compression == TWCP_GROUP32D;
      const LONG k = TheSettings().KFactor;
      filter->SetDecode(*mode, twoDimensional ? static_cast<uint8_t>(std::clamp<LONG>(k, 0, 255)) : 0);
    }
    filter->SetXResolution(0);
    filter->SetYResolution(0);
    filter->SetImageWidth(0);
    filter->SetImageLength(0);
    filter->SetBitsPerPixel(static_cast<uint8_t>(layout.bitsPerPixel));
    filter->SetWhiteIsZero(flavor == TWPF_VANILLA ? 1 : 0);
    CodingParams params = {};
    params.word[kInputBytesWord] = static_cast<uint32_t>(coded.size());
    params.word[kRowBytesWord] = layout.packedRowBytes;
    params.word[kRowsWord] = rows;
    params.word[kInputAddressWord] = FilterAddress(codedLock.data());
    params.word[kOutputBytesWord] = static_cast<uint32_t>(outputBytes);
    // The exact width, so that the pixels of a last byte that is not full are not lost.
    params.word[kPixelWidthWord] = layout.width;
    params.word[kOutputAddressWord] = FilterAddress(outputLock.data());
    filter->AllocWorkBuffer(2 * SIZE_T{layout.packedRowBytes});
    filter->Execute(&params, kDirectionMemory, kExecuteThird);
    filter->FreeWorkBuffer();
  } catch (const CKestrelException& failure) {
    failure.ReportError();
    if (filter) filter->FreeWorkBuffer();
  }
  CopyPackedRows(target, outputLock.bytes(), rows, layout);
  return 1;
}

// --- File ---

bool TwainConnection::SetupFileTransfer() {
  const ScanSettings& settings = TheSettings();
  FileSetup = TW_SETUPFILEXFER{};
  // A name cut short would have the source write somewhere else, or nowhere.
  if (!ComposeTemporaryFileName(settings, FileSetup.FileName, sizeof FileSetup.FileName)) {
    ReportFileNameTooLong();
    return false;
  }
  FileSetup.Format = settings.FileFormat == kFormatBmp ? TWFF_BMP : TWFF_TIFF;
  if (!CallSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &FileSetup)) {
    ReportError(IDS_TWAIN_FILE_XFER_INFO_ERROR, 0);
  }
  return true;
}

void TwainConnection::TransferFile() {
  const ScanSettings& settings = TheSettings();
  int result = 1;
  for (;;) {
    result = 1;
    if (!GetImageInformation()) break;
    if (!SetupFileTransfer()) {
      result = 0;
      break;
    }
    CallSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
    const TW_UINT16 transferCode = LastReturnCode;
    if (transferCode == TWRC_XFERDONE) {
      if (settings.Destination != kToDisplay) {
        char outputName[sizeof FileSetup.FileName] = "";
        result = MoveToOutputFile(FileSetup.FileName, outputName, sizeof outputName);
        if (result != kNotMoved && outputName[0] != '\0') {
          CopyText(FileSetup.FileName, sizeof FileSetup.FileName, outputName);
        }
      }
      // The page is shown from its file: a TIFF file through the TIFF reader, a bitmap file as
      // the frame opens it. A page that cannot be read is told, and gets no empty window.
      bool shown = false;
      if (settings.Destination != kToFile) {
        if (FileSetup.Format == TWFF_TIFF) {
          GlobalBlock dib = OpenTiffFileToDib(FileSetup.FileName);
          shown = dib && OnNativeImage(dib.release());
        } else if (FileSetup.Format == TWFF_BMP) {
          shown = OnImageFile(FileSetup.FileName);
        }
      }
      // A page that is neither shown nor under a name of its own would be written over by the
      // next transfer or deleted after the batch: it keeps a name beside the temporary one.
      // Only a page the user declined to write to its file (Destination File) goes.
      if (!shown && settings.Destination != kToFile && (settings.Destination == kToDisplay || result == kNotMoved)) {
        const std::string kept = qfw::MoveToFreeName(FileSetup.FileName, FileSetup.FileName);
        if (!kept.empty()) {
          CopyText(FileSetup.FileName, sizeof FileSetup.FileName, kept);
          result = kKeptBeside;
        }
      }
      if (settings.Destination != kToDisplay) AdvanceRunningFileNumber(settings);
    }
    const TW_UINT16 outcome = EndTransferOutcome(transferCode);
    if (!TransferSucceeded(outcome) || !ImageEnded(transferCode)) {
      ReportTraceError(kDgControl, kDatSetupFileXfer, kMsgGet);
      break;
    }
    if (TwainState != 6) break;
  }
  // The temporary file goes unless the last page now lives under a name of its own.
  if ((settings.Destination == kToDisplay && result != kKeptBeside) || result == kNotMoved) {
    FileSetup.FileName[sizeof FileSetup.FileName - 1] = '\0';
    DeleteTemporaryFile(FileSetup.FileName);
  }
}

}  // namespace quill
