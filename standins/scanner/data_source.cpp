#include "scanner/data_source.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "scanner/handles.h"
#include "scanner/image_encoding.h"
#include "scanner/picture_file.h"
#include "scanner/scanner_dialog.h"
#include "scanner/scanner_resource.h"

namespace tvscan {
namespace {

const char kScenarioVariable[] = "TVSCAN_SCENARIO";
constexpr size_t kInquiryBytes = 36;
constexpr TW_UINT16 kInquiryDat = DAT_CUSTOMBASE + 1;
constexpr TW_UINT32 kPreferredStripBytes = 64 * 1024;
constexpr TW_UINT32 kMaxStripBytes = 4 * 1024 * 1024;

void CopyPadded(char* to, size_t field, const std::string& text) {
  std::memset(to, ' ', field);
  std::memcpy(to, text.data(), std::min(field, text.size()));
}

void CopyText(char* to, size_t capacity, const std::string& text) {
  std::snprintf(to, capacity, "%s", text.c_str());
}

std::string LoadString(HINSTANCE module, UINT id) {
  char text[256] = "";
  LoadStringA(module, id, text, sizeof text);
  return text;
}

// The byte a row ends with when the page runs out: white in every pixel type and flavour.
uint8_t WhiteByte(const PageSettings& settings) {
  bool zero_is_white = settings.vanilla && settings.pixel_type != PixelType::Rgb &&
                       settings.pixel_type != PixelType::Palette;
  return zero_is_white ? 0x00 : 0xFF;
}

}  // namespace

UINT EventMessage() {
  static const UINT message = RegisterWindowMessageA("TALVORN Scanner Event");
  return message;
}

DataSource::DataSource(HINSTANCE module) : module_(module) {}
DataSource::~DataSource() = default;

TW_UINT16 DataSource::Fail(TW_UINT16 condition) {
  condition_ = condition;
  return TWRC_FAILURE;
}

TW_UINT16 DataSource::Succeed() {
  condition_ = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

TW_UINT16 DataSource::Entry(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                            TW_MEMREF data) {
  if (!origin) return Fail(TWCC_BADPROTOCOL);
  TW_UINT16 result = TWRC_SUCCESS;
  if (state_ < 4 || !InjectedFailure(group, dat, msg, data, result)) {
    result = Dispatch(origin, group, dat, msg, data);
  }
  Trace(group, dat, msg, data, result);
  return result;
}

// The capability a DAT_CAPABILITY request is about; 0 for any other request.
static TW_UINT16 RequestedCapability(TW_UINT16 dat, TW_MEMREF data) {
  if (dat != DAT_CAPABILITY || !data) return 0;
  return static_cast<const TW_CAPABILITY*>(data)->Cap;
}

bool DataSource::InjectedFailure(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data,
                                 TW_UINT16& result) {
  uint32_t page = page_ready_ ? page_number_ : page_number_ + 1;
  for (const FailureRule& rule : scenario_.failures) {
    if (rule.group == group && rule.dat == dat && rule.msg == msg && (rule.page == 0 || rule.page == page) &&
        (rule.cap == 0 || rule.cap == RequestedCapability(dat, data))) {
      condition_ = rule.condition_code;
      result = rule.return_code;
      return true;
    }
  }
  return false;
}

// One line per triplet, so that a test can see from outside what an application asked and got.
void DataSource::Trace(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data,
                       TW_UINT16 result) const {
  if (scenario_.trace.empty() || (dat == DAT_EVENT && result == TWRC_NOTDSEVENT)) return;
  if (FILE* file = std::fopen(scenario_.trace.c_str(), "a")) {
    std::fprintf(file, "DG %u DAT 0x%04x MSG 0x%04x CAP 0x%04x RC %u CC %u\n", static_cast<unsigned>(group),
                 dat, msg, RequestedCapability(dat, data), result, result == TWRC_SUCCESS ? 0u : condition_);
    std::fclose(file);
  }
}

TW_UINT16 DataSource::Dispatch(pTW_IDENTITY origin, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                               TW_MEMREF data) {
  if (group == DG_CONTROL && dat == DAT_STATUS) return msg == MSG_GET ? Status(data) : Fail(TWCC_BADPROTOCOL);
  if (group == DG_CONTROL && dat == DAT_IDENTITY) {
    if (msg == MSG_OPENDS) application_ = *origin;
    return Identity(msg, static_cast<pTW_IDENTITY>(data));
  }
  if (state_ < 4) return Fail(TWCC_SEQERROR);
  // A file transfer carries no data; every other triplet needs its record.
  if (!data && !(group == DG_IMAGE && dat == DAT_IMAGEFILEXFER)) return Fail(TWCC_BADVALUE);
  if (group == DG_CONTROL) {
    switch (dat) {
      case DAT_CAPABILITY: {
        TW_UINT16 condition = TWCC_SUCCESS;
        TW_UINT16 rc = caps_.Handle(msg, *static_cast<TW_CAPABILITY*>(data), state_ == 4, condition);
        condition_ = condition;
        return rc;
      }
      case DAT_USERINTERFACE: return UserInterface(msg, static_cast<TW_USERINTERFACE*>(data));
      case DAT_EVENT:
        if (msg != MSG_PROCESSEVENT) return Fail(TWCC_BADPROTOCOL);
        return ProcessEvent(static_cast<TW_EVENT*>(data));
      case DAT_PENDINGXFERS: return PendingTransfers(msg, static_cast<TW_PENDINGXFERS*>(data));
      case DAT_SETUPMEMXFER:
        if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
        return SetupMemory(static_cast<TW_SETUPMEMXFER*>(data));
      case DAT_SETUPFILEXFER: return SetupFile(msg, static_cast<TW_SETUPFILEXFER*>(data));
      case kInquiryDat:
        if (msg != MSG_GET) return Fail(TWCC_BADPROTOCOL);
        return Inquiry(data);
      default: return Fail(TWCC_BADPROTOCOL);
    }
  }
  if (group == DG_IMAGE && msg == MSG_GET) {
    switch (dat) {
      case DAT_IMAGEINFO: return ImageInfo(static_cast<TW_IMAGEINFO*>(data));
      case DAT_PALETTE8: return Palette(static_cast<TW_PALETTE8*>(data));
      case DAT_IMAGENATIVEXFER: return NativeTransfer(data);
      case DAT_IMAGEMEMXFER: return MemoryTransfer(static_cast<TW_IMAGEMEMXFER*>(data));
      case DAT_IMAGEFILEXFER: return FileTransfer();
      default: break;
    }
  }
  return Fail(TWCC_BADPROTOCOL);
}

bool DataSource::LoadScenario(std::string& problem) {
  scenario_ = Scenario();
  char path[MAX_PATH] = "";
  DWORD length = GetEnvironmentVariableA(kScenarioVariable, path, MAX_PATH);
  if (length == 0) return true;
  char message[512];
  if (length >= MAX_PATH) {
    std::snprintf(message, sizeof message, LoadString(module_, IDS_SCENARIO_UNREADABLE).c_str(), kScenarioVariable);
    problem = message;
    return false;
  }
  std::ifstream file(path, std::ios::binary);
  std::string text;
  if (file) text.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  if (!file || file.bad()) {
    std::snprintf(message, sizeof message, LoadString(module_, IDS_SCENARIO_UNREADABLE).c_str(), path);
    problem = message;
    return false;
  }
  ScenarioOutcome outcome = ParseScenario(text);
  if (!outcome.ok) {
    std::snprintf(message, sizeof message, LoadString(module_, IDS_SCENARIO_FAULT).c_str(), path,
                  outcome.line, outcome.message.c_str());
    problem = message;
    return false;
  }
  scenario_ = outcome.scenario;
  return true;
}

void DataSource::FillIdentity(TW_IDENTITY& identity) const {
  TW_UINT32 id = identity.Id;
  identity = TW_IDENTITY{};
  identity.Id = id;
  identity.Version.MajorNum = 1;
  identity.Version.MinorNum = 0;
  identity.Version.Language = TWLG_USA;
  identity.Version.Country = TWCY_USA;
  CopyText(identity.Version.Info, sizeof identity.Version.Info, "1.0 virtual");
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 9;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  CopyText(identity.Manufacturer, sizeof identity.Manufacturer,
           scenario_.manufacturer.empty() ? "TALVORN" : scenario_.manufacturer);
  CopyText(identity.ProductFamily, sizeof identity.ProductFamily, "TALVORN Scanner");
  CopyText(identity.ProductName, sizeof identity.ProductName,
           scenario_.product_name.empty() ? "TALVORN Virtual Scanner" : scenario_.product_name);
}

TW_UINT16 DataSource::Identity(TW_UINT16 msg, pTW_IDENTITY identity) {
  if (!identity) return Fail(TWCC_BADVALUE);
  switch (msg) {
    case MSG_GET: {
      if (state_ < 4) {
        std::string ignored;  // faults are reported when the source is opened
        LoadScenario(ignored);
      }
      FillIdentity(*identity);
      return Succeed();
    }
    case MSG_OPENDS: return Open(identity);
    case MSG_CLOSEDS: return Close();
    default: return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 DataSource::Open(pTW_IDENTITY identity) {
  if (state_ != 3) return Fail(TWCC_SEQERROR);
  std::string problem;
  if (!LoadScenario(problem)) {
    // A test or demonstration must never run with a scenario other than the one written.
    MessageBoxA(nullptr, problem.c_str(), LoadString(module_, IDS_SCANNER_TITLE).c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return Fail(TWCC_BUMMER);
  }
  if (!FindFolderPages(problem)) {
    MessageBoxA(nullptr, problem.c_str(), LoadString(module_, IDS_SCANNER_TITLE).c_str(),
                MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    return Fail(TWCC_BUMMER);
  }
  TW_UINT16 injected = TWRC_SUCCESS;
  if (InjectedFailure(DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, nullptr, injected)) return injected;
  FillIdentity(*identity);
  self_ = *identity;
  caps_ = CapabilitySet();
  caps_.SetOnline(scenario_.online);
  caps_.SetFeederLoaded(scenario_.pages > 0);
  paper_ = scenario_.letter ? PaperSize::Letter : PaperSize::A4;
  page_number_ = 0;
  pending_ = 0;
  page_ready_ = false;
  file_name_ = "TWAIN.TMP";
  file_format_ = TWFF_BMP;
  state_ = 4;
  return Succeed();
}

bool DataSource::FindFolderPages(std::string& problem) {
  folder_pages_.clear();
  if (scenario_.page_folder.empty()) return true;
  WIN32_FIND_DATAA data;
  UniqueFind find(FindFirstFileA((scenario_.page_folder + "\\*").c_str(), &data));
  if (find.valid()) {
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsPictureName(data.cFileName)) {
        folder_pages_.push_back(data.cFileName);
      }
    } while (FindNextFileA(find.get(), &data));
  }
  if (folder_pages_.empty()) {
    char message[512];
    std::snprintf(message, sizeof message, LoadString(module_, IDS_PAGE_FOLDER_EMPTY).c_str(),
                  scenario_.page_folder.c_str());
    problem = message;
    return false;
  }
  std::sort(folder_pages_.begin(), folder_pages_.end(),
            [](const std::string& a, const std::string& b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
  for (std::string& name : folder_pages_) name = scenario_.page_folder + "\\" + name;
  if (!scenario_.pages_given) scenario_.pages = static_cast<uint32_t>(folder_pages_.size());
  return true;
}

TW_UINT16 DataSource::Close() {
  if (state_ != 4) return Fail(TWCC_SEQERROR);
  dialog_.reset();
  page_ = Raster();
  strip_data_.clear();
  state_ = 3;
  return Succeed();
}

TW_UINT16 DataSource::Status(TW_MEMREF data) {
  if (!data) return TWRC_FAILURE;
  TW_STATUS status{};
  status.ConditionCode = condition_;
  std::memcpy(data, &status, sizeof status);
  condition_ = TWCC_SUCCESS;
  return TWRC_SUCCESS;
}

PageSettings DataSource::CurrentSettings() const {
  PageSettings settings;
  settings.pixel_type = static_cast<PixelType>(caps_.Current(ICAP_PIXELTYPE));
  settings.dpi = WholeOfFix32Word(caps_.Current(ICAP_XRESOLUTION));
  settings.paper = paper_;
  settings.vanilla = caps_.Current(ICAP_PIXELFLAVOR) == TWPF_VANILLA;
  settings.gray_bits = static_cast<uint16_t>(scenario_.gray_bits);
  return settings;
}

void DataSource::ApplyDialogSettings(PixelType type, uint32_t dpi, PaperSize paper) {
  caps_.SetCurrent(ICAP_PIXELTYPE, static_cast<TW_UINT32>(type));
  caps_.SetCurrent(ICAP_XRESOLUTION, Fix32Word(dpi));
  paper_ = paper;
}

void DataSource::PostEvent(TW_UINT16 event) {
  auto cookie = reinterpret_cast<LPARAM>(this);
  if (parent_ && IsWindow(parent_)) {
    PostMessageA(parent_, EventMessage(), event, cookie);
  } else {
    PostThreadMessageA(thread_, EventMessage(), event, cookie);
  }
}

uint32_t DataSource::PagesForBatch(uint32_t feeder) const {
  uint32_t pages = caps_.Current(CAP_FEEDERENABLED) ? feeder : 1;  // flat bed: one sheet
  auto count = static_cast<int16_t>(caps_.Current(CAP_XFERCOUNT) & 0xFFFF);
  if (count > 0) pages = std::min<uint32_t>(pages, static_cast<uint32_t>(count));
  return pages;
}

void DataSource::StartBatch(uint32_t feeder) {
  if (state_ != 5) return;
  pending_ = PagesForBatch(feeder);
  if (pending_ > 0) PostEvent(MSG_XFERREADY);
}

void DataSource::RequestClose() {
  if (state_ >= 5) PostEvent(MSG_CLOSEDSREQ);
}

TW_UINT16 DataSource::UserInterface(TW_UINT16 msg, TW_USERINTERFACE* ui) {
  if (msg == MSG_DISABLEDS) {
    if (state_ != 5) return Fail(TWCC_SEQERROR);
    dialog_.reset();
    pending_ = 0;
    state_ = 4;
    return Succeed();
  }
  if (msg == MSG_ENABLEDSUIONLY) return Fail(TWCC_BADPROTOCOL);
  if (msg != MSG_ENABLEDS) return Fail(TWCC_BADPROTOCOL);
  if (state_ != 4) return Fail(TWCC_SEQERROR);
  if (!scenario_.online) return Fail(TWCC_CHECKDEVICEONLINE);
  parent_ = static_cast<HWND>(ui->hParent);
  thread_ = GetCurrentThreadId();
  show_ui_ = ui->ShowUI != 0;
  if (!show_ui_ && caps_.Current(CAP_FEEDERENABLED) && scenario_.pages == 0) {
    return Fail(TWCC_OPERATIONERROR);  // nothing in the feeder to scan
  }
  state_ = 5;
  if (show_ui_) {
    dialog_ = std::make_unique<ScannerDialog>(module_, parent_, *this);
    if (!dialog_->valid()) {
      dialog_.reset();
      state_ = 4;
      return Fail(TWCC_BUMMER);
    }
  } else {
    StartBatch(scenario_.pages);
  }
  return Succeed();
}

TW_UINT16 DataSource::ProcessEvent(TW_EVENT* event) {
  event->TWMessage = MSG_NULL;
  if (state_ < 5 || !event->pEvent) return TWRC_NOTDSEVENT;
  auto* message = static_cast<MSG*>(event->pEvent);
  if (message->message == EventMessage() && message->lParam == reinterpret_cast<LPARAM>(this)) {
    auto what = static_cast<TW_UINT16>(message->wParam);
    if (what == MSG_XFERREADY) {
      if (state_ != 5 || pending_ == 0) return TWRC_DSEVENT;  // a stale notice: swallowed
      state_ = 6;
    }
    event->TWMessage = what;
    return TWRC_DSEVENT;
  }
  if (dialog_ && dialog_->IsOwnMessage(message)) return TWRC_DSEVENT;
  return TWRC_NOTDSEVENT;
}

TW_UINT16 DataSource::FinishPage(TW_UINT16 result) {
  state_ = 7;
  return result;
}

TW_UINT16 DataSource::PendingTransfers(TW_UINT16 msg, TW_PENDINGXFERS* pending) {
  switch (msg) {
    case MSG_GET:
      pending->Count = static_cast<TW_UINT16>(state_ >= 6 ? pending_ : 0);
      return Succeed();
    case MSG_ENDXFER:
      if (state_ != 6 && state_ != 7) return Fail(TWCC_SEQERROR);
      if (pending_ > 0) --pending_;
      page_ready_ = false;
      memory_started_ = false;
      strip_data_.clear();
      pending->Count = static_cast<TW_UINT16>(pending_);
      state_ = pending_ > 0 ? 6 : 5;
      if (state_ == 5 && dialog_) dialog_->BatchFinished();
      return Succeed();
    case MSG_RESET:
      if (state_ != 6) return Fail(TWCC_SEQERROR);
      pending_ = 0;
      page_ready_ = false;
      pending->Count = 0;
      state_ = 5;
      if (dialog_) dialog_->BatchFinished();
      return Succeed();
    default: return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 DataSource::Inquiry(TW_MEMREF data) {
  if (!scenario_.inquiry) return Fail(TWCC_BADPROTOCOL);
  uint8_t block[kInquiryBytes] = {};
  block[0] = 0x06;  // peripheral device type: scanner
  block[2] = 0x02;  // SCSI-2
  block[3] = 0x02;
  block[4] = kInquiryBytes - 5;
  CopyPadded(reinterpret_cast<char*>(block + 8), 8,
             scenario_.inquiry_vendor.empty() ? "TALVORN" : scenario_.inquiry_vendor);
  CopyPadded(reinterpret_cast<char*>(block + 16), 16,
             scenario_.inquiry_product.empty() ? "TV-DS4500V" : scenario_.inquiry_product);
  CopyPadded(reinterpret_cast<char*>(block + 32), 4,
             scenario_.inquiry_revision.empty() ? "1.07" : scenario_.inquiry_revision);
  std::memcpy(data, block, kInquiryBytes);
  return Succeed();
}

TW_UINT16 DataSource::PreparePage() {
  if (page_ready_) return TWCC_SUCCESS;
  page_settings_ = CurrentSettings();
  ++page_number_;
  if (folder_pages_.empty()) {
    page_ = GeneratePage(page_number_, page_settings_);
  } else {
    // The folder's files follow one another, and start again when the feeder asks for more.
    const std::string& name = folder_pages_[(page_number_ - 1) % folder_pages_.size()];
    std::ifstream file(name, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    Picture picture;
    std::string problem;
    if (!file || !ReadPicture(bytes, picture, problem)) {
      OutputDebugStringA((name + ": " + problem).c_str());
      return TWCC_OPERATIONERROR;
    }
    page_ = ConvertPicture(picture.pixels, picture.width, picture.height, page_settings_);
  }
  page_ready_ = !page_.pixels.empty();
  return page_ready_ ? TW_UINT16(TWCC_SUCCESS) : TW_UINT16(TWCC_LOWMEMORY);
}

TW_UINT16 DataSource::ImageInfo(TW_IMAGEINFO* info) {
  if (state_ != 6 && state_ != 7) return Fail(TWCC_SEQERROR);
  if (TW_UINT16 problem = PreparePage()) return Fail(problem);
  *info = TW_IMAGEINFO{};
  info->XResolution.Whole = static_cast<TW_INT16>(page_settings_.dpi);
  info->YResolution.Whole = static_cast<TW_INT16>(page_settings_.dpi);
  info->ImageWidth = static_cast<TW_INT32>(page_.width);
  info->ImageLength = static_cast<TW_INT32>(page_.height);
  TW_UINT32 mech = caps_.Current(ICAP_XFERMECH);
  if (scenario_.announced_width != 0) {
    info->ImageWidth = static_cast<TW_INT32>(scenario_.announced_width);
    info->ImageLength = static_cast<TW_INT32>(scenario_.announced_length);
  }
  if (scenario_.unknown_length && mech == TWSX_MEMORY) info->ImageLength = -1;
  bool rgb = page_settings_.pixel_type == PixelType::Rgb;
  info->SamplesPerPixel = rgb ? 3 : 1;
  for (int i = 0; i < info->SamplesPerPixel; ++i) info->BitsPerSample[i] = rgb ? 8 : static_cast<TW_INT16>(page_.bits_per_pixel);
  info->BitsPerPixel = static_cast<TW_INT16>(page_.bits_per_pixel);
  info->Planar = FALSE;
  info->PixelType = static_cast<TW_INT16>(page_settings_.pixel_type);
  TW_UINT16 compression = static_cast<TW_UINT16>(caps_.Current(ICAP_COMPRESSION));
  // The file format the application negotiated; DAT_SETUPFILEXFER may follow this call.
  bool coded = mech == TWSX_MEMORY || (mech == TWSX_FILE && caps_.Current(ICAP_IMAGEFILEFORMAT) == TWFF_TIFF);
  info->Compression = coded && page_.bits_per_pixel == 1 ? compression : TW_UINT16(TWCP_NONE);
  return Succeed();
}

TW_UINT16 DataSource::SetupMemory(TW_SETUPMEMXFER* setup) {
  PageSettings settings = CurrentSettings();
  size_t row = PackedRowBytes(PaperWidth(settings.paper, settings.dpi), BitsPerPixel(settings));
  if (scenario_.pad_rows) row = (row + 3) / 4 * 4;
  auto row_bytes = static_cast<TW_UINT32>(row);
  setup->MinBufSize = row_bytes;
  setup->Preferred = std::max(row_bytes, kPreferredStripBytes / row_bytes * row_bytes);
  setup->MaxBufSize = std::max(setup->Preferred, kMaxStripBytes);
  return Succeed();
}

TW_UINT16 DataSource::SetupFile(TW_UINT16 msg, TW_SETUPFILEXFER* setup) {
  if (state_ > 6) return Fail(TWCC_SEQERROR);
  switch (msg) {
    case MSG_GET:
    case MSG_GETCURRENT:
      *setup = TW_SETUPFILEXFER{};
      CopyText(setup->FileName, sizeof setup->FileName, file_name_);
      setup->Format = file_format_;
      return Succeed();
    case MSG_GETDEFAULT:
      *setup = TW_SETUPFILEXFER{};
      CopyText(setup->FileName, sizeof setup->FileName, "TWAIN.TMP");
      setup->Format = TWFF_BMP;
      return Succeed();
    case MSG_SET: {
      size_t length = strnlen(setup->FileName, sizeof setup->FileName);
      if (length == 0 || length == sizeof setup->FileName) return Fail(TWCC_BADVALUE);
      if (setup->Format != TWFF_BMP && setup->Format != TWFF_TIFF) return Fail(TWCC_BADVALUE);
      file_name_.assign(setup->FileName, length);
      file_format_ = setup->Format;
      caps_.SetCurrent(ICAP_IMAGEFILEFORMAT, file_format_);
      return Succeed();
    }
    case MSG_RESET:
      file_name_ = "TWAIN.TMP";
      file_format_ = TWFF_BMP;
      return Succeed();
    default: return Fail(TWCC_BADPROTOCOL);
  }
}

TW_UINT16 DataSource::Palette(TW_PALETTE8* palette) {
  if (!scenario_.palette) return Fail(TWCC_BADPROTOCOL);
  PageSettings settings = page_ready_ ? page_settings_ : CurrentSettings();
  std::vector<Colour> table = ColourTable(settings);
  if (table.empty()) return Fail(TWCC_BADPROTOCOL);  // colour pages have no palette
  *palette = TW_PALETTE8{};
  palette->NumColors = static_cast<TW_UINT16>(table.size());
  palette->PaletteType = settings.pixel_type == PixelType::Palette ? TWPA_RGB : TWPA_GRAY;
  for (size_t i = 0; i < table.size(); ++i) {
    palette->Colors[i] = TW_ELEMENT8{static_cast<TW_UINT8>(i), table[i].red, table[i].green, table[i].blue};
  }
  return Succeed();
}

bool DataSource::TransferAllowed(TW_UINT16 mechanism, TW_UINT16& result) {
  if (state_ != 6 || caps_.Current(ICAP_XFERMECH) != mechanism) {
    result = Fail(TWCC_SEQERROR);
    return false;
  }
  if (TW_UINT16 problem = PreparePage()) {
    result = Fail(problem);
    return false;
  }
  if (scenario_.cancel_page == page_number_) {
    condition_ = TWCC_SUCCESS;
    result = FinishPage(TWRC_CANCEL);
    return false;
  }
  return true;
}

TW_UINT16 DataSource::NativeTransfer(TW_MEMREF data) {
  TW_UINT16 result = TWRC_FAILURE;
  if (!TransferAllowed(TWSX_NATIVE, result)) return result;
  std::vector<uint8_t> dib = BuildDib(page_, page_settings_);
  if (scenario_.broken_native_dib) {
    // biHeight at offset 8: rows the block does not hold.
    const auto claimed = static_cast<int32_t>(page_.height * 4);
    std::memcpy(dib.data() + 8, &claimed, sizeof claimed);
  }
  GlobalBlock block(dib.size());
  {
    GlobalLockGuard lock(block.get());
    if (!lock.data()) return Fail(TWCC_LOWMEMORY);
    std::memcpy(lock.data(), dib.data(), dib.size());
  }
  TW_HANDLE handle = block.release();  // the application owns the DIB from here
  std::memcpy(data, &handle, sizeof handle);
  condition_ = TWCC_SUCCESS;
  return FinishPage(TWRC_XFERDONE);
}

TW_UINT16 DataSource::MemoryTransfer(TW_IMAGEMEMXFER* xfer) {
  if (!memory_started_) {
    TW_UINT16 result = TWRC_FAILURE;
    if (state_ == 7 && scenario_.cancel_page == page_number_) return Fail(TWCC_SEQERROR);
    if (!TransferAllowed(TWSX_MEMORY, result)) return result;
  } else if (state_ != 7) {
    return Fail(TWCC_SEQERROR);
  }
  TW_UINT16 compression = static_cast<TW_UINT16>(caps_.Current(ICAP_COMPRESSION));
  bool coded = compression != TWCP_NONE && page_.bits_per_pixel == 1;
  size_t row_bytes = scenario_.pad_rows ? (page_.row_bytes + 3) / 4 * 4 : page_.row_bytes;
  uint32_t rows_total = page_.height + scenario_.extra_rows;
  if (!memory_started_) {
    if (coded) {
      strip_data_ = EncodeCcitt(page_, compression, caps_.Current(ICAP_CCITTKFACTOR), page_settings_.vanilla);
      if (strip_data_.empty()) return Fail(TWCC_LOWMEMORY);
      strip_data_.resize(strip_data_.size() + scenario_.extra_coded_bytes, 0);
    } else {
      strip_data_.assign(row_bytes * rows_total, WhiteByte(page_settings_));
      for (uint32_t y = 0; y < page_.height; ++y) {
        std::memcpy(strip_data_.data() + y * row_bytes, page_.Row(y), page_.row_bytes);
      }
    }
    memory_started_ = true;
    strip_offset_ = 0;
    strip_row_ = 0;
    strips_sent_ = 0;
  }
  // A strip that fails leaves the transfer where it was: state 6 before the first, else 7.
  if (scenario_.fail_strip == strips_sent_ + 1) {
    if (strips_sent_ == 0) memory_started_ = false;
    return Fail(TWCC_OPERATIONERROR);
  }

  // The application's buffer: a pointer, or a handle to lock; never written past its size.
  GlobalLockGuard lock((xfer->Memory.Flags & TWMF_HANDLE) ? static_cast<HGLOBAL>(xfer->Memory.TheMem) : nullptr);
  auto* buffer = static_cast<uint8_t*>((xfer->Memory.Flags & TWMF_HANDLE) ? lock.data() : xfer->Memory.TheMem);
  if (!buffer) return Fail(TWCC_BADVALUE);
  size_t capacity = xfer->Memory.Length;
  if (xfer->Memory.Flags & TWMF_HANDLE) capacity = std::min<size_t>(capacity, GlobalSize(xfer->Memory.TheMem));

  size_t bytes = 0;
  uint32_t rows = 0;
  if (coded) {
    bytes = std::min(capacity, strip_data_.size() - strip_offset_);
    if (bytes == 0) return Fail(TWCC_BADVALUE);
  } else {
    rows = static_cast<uint32_t>(std::min<size_t>(capacity / row_bytes, rows_total - strip_row_));
    if (rows == 0) return Fail(TWCC_BADVALUE);  // not even one row fits
    bytes = size_t{rows} * row_bytes;
  }
  std::memcpy(buffer, strip_data_.data() + strip_offset_, bytes);
  xfer->Compression = coded ? compression : TW_UINT16(TWCP_NONE);
  xfer->BytesPerRow = static_cast<TW_UINT32>(coded ? page_.row_bytes : row_bytes);
  xfer->Columns = page_.width;
  xfer->XOffset = 0;
  xfer->YOffset = strip_row_;
  // A source that forgets the count leaves whatever the application put there.
  if (!scenario_.strip_count_unset) xfer->BytesWritten = static_cast<TW_UINT32>(bytes);
  ++strips_sent_;
  strip_offset_ += bytes;
  bool done = strip_offset_ >= strip_data_.size();
  if (coded) rows = done ? page_.height - strip_row_ : 0;
  xfer->Rows = rows;
  strip_row_ += rows;
  condition_ = TWCC_SUCCESS;
  return FinishPage(done ? TWRC_XFERDONE : TWRC_SUCCESS);
}

TW_UINT16 DataSource::FileTransfer() {
  TW_UINT16 result = TWRC_FAILURE;
  if (!TransferAllowed(TWSX_FILE, result)) return result;
  bool written = false;
  if (file_format_ == TWFF_TIFF) {
    written = WriteTiffFile(file_name_, page_, page_settings_, static_cast<TW_UINT16>(caps_.Current(ICAP_COMPRESSION)),
                            caps_.Current(ICAP_CCITTKFACTOR));
  } else {
    written = WriteBytes(file_name_, BuildBmpFile(BuildDib(page_, page_settings_)));
  }
  if (!written) return Fail(TWCC_FILEWRITEERROR);
  condition_ = TWCC_SUCCESS;
  return FinishPage(TWRC_XFERDONE);
}

}  // namespace tvscan
