#include "scanner/tests/twain_client.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "kestrel/core/fax_codec.h"
#include "scanner/image_encoding.h"

namespace tvscan_test {
namespace {

const char kManagerPath[] = "C:\\windows\\twain_32.dll";
const char kWindowClass[] = "TvscanTestClient";

uint32_t Read32(const uint8_t* at) { return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24; }
uint16_t Read16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

HWND CreateClientWindow() {
  WNDCLASSA window_class{};
  window_class.lpfnWndProc = DefWindowProcA;
  window_class.hInstance = GetModuleHandleA(nullptr);
  window_class.lpszClassName = kWindowClass;
  RegisterClassA(&window_class);  // a second registration fails harmlessly
  return CreateWindowA(kWindowClass, "TWAIN test client", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                       nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

std::vector<uint8_t> ReadFileBytes(const std::string& name) {
  std::vector<uint8_t> bytes;
  std::FILE* file = std::fopen(name.c_str(), "rb");
  if (!file) return bytes;
  uint8_t chunk[65536];
  size_t got;
  while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
  std::fclose(file);
  return bytes;
}

std::string BuildFolder() {
  const char* build = std::getenv("QUILL_BUILD_DIR");
  if (!build || build[0] != '/') return ".";
  std::string folder = std::string("Z:") + build;
  for (char& c : folder) {
    if (c == '/') c = '\\';
  }
  return folder;
}

bool DibToRaster(const uint8_t* dib, size_t size, tvscan::Raster& raster, std::vector<tvscan::Colour>& colours) {
  if (size < 40 || Read32(dib) != 40) return false;
  auto width = static_cast<int32_t>(Read32(dib + 4));
  auto height = static_cast<int32_t>(Read32(dib + 8));
  uint16_t bits = Read16(dib + 14);
  uint32_t used = Read32(dib + 32);
  if (width <= 0 || height <= 0 || used > 256) return false;
  if (used == 0 && bits <= 8) used = 1u << bits;
  size_t stride = (size_t(width) * bits + 31) / 32 * 4;
  size_t offset = 40 + size_t{used} * 4;
  if (offset + stride * size_t(height) > size) return false;
  colours.clear();
  for (uint32_t i = 0; i < used; ++i) {
    const uint8_t* quad = dib + 40 + 4 * i;
    colours.push_back(tvscan::Colour{quad[2], quad[1], quad[0]});
  }
  raster.width = uint32_t(width);
  raster.height = uint32_t(height);
  raster.bits_per_pixel = bits;
  raster.row_bytes = tvscan::PackedRowBytes(raster.width, bits);
  raster.pixels.assign(raster.row_bytes * raster.height, 0);
  for (uint32_t y = 0; y < raster.height; ++y) {
    const uint8_t* from = dib + offset + size_t(raster.height - 1 - y) * stride;
    uint8_t* to = raster.pixels.data() + size_t{y} * raster.row_bytes;
    if (bits == 24) {
      for (uint32_t x = 0; x < raster.width; ++x) {
        to[3 * x] = from[3 * x + 2];
        to[3 * x + 1] = from[3 * x + 1];
        to[3 * x + 2] = from[3 * x];
      }
    } else {
      std::memcpy(to, from, raster.row_bytes);
    }
  }
  return true;
}

bool TiffToRaster(const std::vector<uint8_t>& file, tvscan::Raster& raster, std::vector<tvscan::Colour>& colours,
                  uint16_t& photometric) {
  if (file.size() < 8 || file[0] != 'I' || file[1] != 'I' || Read16(&file[2]) != 42) return false;
  uint32_t ifd = Read32(&file[4]);
  if (ifd + 2 > file.size()) return false;
  uint16_t entries = Read16(&file[ifd]);
  if (ifd + 2 + size_t{entries} * 12 > file.size()) return false;
  uint32_t width = 0, height = 0, bps = 1, spp = 1, compression = 1, strip = 0, strip_bytes = 0, t4 = 0, map = 0;
  photometric = 0;
  for (uint16_t i = 0; i < entries; ++i) {
    const uint8_t* entry = &file[ifd + 2 + size_t{i} * 12];
    uint16_t tag = Read16(entry), type = Read16(entry + 2);
    uint32_t count = Read32(entry + 4);
    uint32_t value = type == 3 && count == 1 ? Read16(entry + 8) : Read32(entry + 8);
    switch (tag) {
      case 256: width = value; break;
      case 257: height = value; break;
      case 258: bps = count == 1 ? value : (value + 2 <= file.size() ? Read16(&file[value]) : 0); break;
      case 259: compression = value; break;
      case 262: photometric = static_cast<uint16_t>(value); break;
      case 273: strip = value; break;
      case 277: spp = value; break;
      case 279: strip_bytes = value; break;
      case 292: t4 = value; break;
      case 320: map = value; break;
      default: break;
    }
  }
  if (width == 0 || height == 0 || size_t{strip} + strip_bytes > file.size()) return false;
  raster.width = width;
  raster.height = height;
  raster.bits_per_pixel = static_cast<uint16_t>(bps * spp);
  raster.row_bytes = tvscan::PackedRowBytes(width, raster.bits_per_pixel);
  raster.pixels.assign(raster.row_bytes * height, 0);
  colours.clear();
  if (map && bps == 8 && size_t{map} + 3 * 512 <= file.size()) {
    for (int i = 0; i < 256; ++i) {
      colours.push_back(tvscan::Colour{static_cast<uint8_t>(Read16(&file[map + 2 * i]) >> 8),
                                       static_cast<uint8_t>(Read16(&file[map + 512 + 2 * i]) >> 8),
                                       static_cast<uint8_t>(Read16(&file[map + 1024 + 2 * i]) >> 8)});
    }
  }
  if (compression == 1) {
    if (strip_bytes < raster.pixels.size()) return false;
    std::memcpy(raster.pixels.data(), &file[strip], raster.pixels.size());
    return true;
  }
  kestrel::CodingMode mode = kestrel::CodingMode::Group4;
  if (compression == 3) {
    mode = (t4 & 1) ? kestrel::CodingMode::Group3TwoDim
                    : (t4 & 4) ? kestrel::CodingMode::Group3FilledEol : kestrel::CodingMode::Group3OneDim;
  } else if (compression != 4) {
    return false;
  }
  kestrel::RowFormat format{width, raster.row_bytes, photometric == 0};
  auto outcome = kestrel::decodeRows(mode, format, kestrel::ConstByteSpan{&file[strip], strip_bytes}, height,
                                     kestrel::ByteSpan{raster.pixels.data(), raster.pixels.size()});
  return outcome.rowsProduced == height && outcome.rowsDamaged == 0;
}

TwainClient::TwainClient() {
  module_ = LoadLibraryA(kManagerPath);
  if (module_) {
    entry_ = reinterpret_cast<DSMENTRYPROC>(reinterpret_cast<void*>(GetProcAddress(module_, MAKEINTRESOURCEA(1))));
  }
  window_ = CreateClientWindow();
  app_.Version.MajorNum = 5;
  app_.Version.MinorNum = 1;
  app_.ProtocolMajor = 1;
  app_.ProtocolMinor = 7;
  app_.SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::strcpy(app_.Manufacturer, "Test");
  std::strcpy(app_.ProductFamily, "Test");
  std::strcpy(app_.ProductName, "Scanner test client");
  char temp[MAX_PATH] = "";
  GetTempPathA(MAX_PATH, temp);
  temp_folder_ = temp;
}

TwainClient::~TwainClient() {
  if (entry_) {
    Disable();
    CloseSource();
    CloseManager();
  }
  if (window_) DestroyWindow(window_);
  if (module_) FreeLibrary(module_);
}

TW_UINT16 TwainClient::OpenManager() {
  HWND parent = window_;
  return entry_(&app_, nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent);
}

TW_UINT16 TwainClient::CloseManager() {
  HWND parent = window_;
  return entry_(&app_, nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
}

TW_UINT16 TwainClient::OpenSource(const char* product_name) {
  source_ = TW_IDENTITY{};
  std::snprintf(source_.ProductName, sizeof source_.ProductName, "%s", product_name);
  return entry_(&app_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_OPENDS, &source_);
}

TW_UINT16 TwainClient::CloseSource() {
  return entry_(&app_, nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source_);
}

TW_UINT16 TwainClient::ManagerCondition() {
  TW_STATUS status{};
  entry_(&app_, nullptr, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return status.ConditionCode;
}

TW_UINT16 TwainClient::SourceCondition() {
  TW_STATUS status{};
  CallSource(DG_CONTROL, DAT_STATUS, MSG_GET, &status);
  return status.ConditionCode;
}

TW_UINT16 TwainClient::CallSource(TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data) {
  return entry_(&app_, &source_, group, dat, msg, data);
}

TW_UINT16 TwainClient::SetOneValue(TW_UINT16 cap, TW_UINT16 item_type, TW_UINT32 value) {
  TW_CAPABILITY request{cap, TWON_ONEVALUE, GlobalAlloc(GHND, sizeof(TW_ONEVALUE))};
  auto* one = static_cast<TW_ONEVALUE*>(GlobalLock(request.hContainer));
  one->ItemType = item_type;
  one->Item = value;
  GlobalUnlock(request.hContainer);
  TW_UINT16 rc = CallSource(DG_CONTROL, DAT_CAPABILITY, MSG_SET, &request);
  GlobalFree(request.hContainer);
  return rc;
}

TW_UINT16 TwainClient::GetCap(TW_UINT16 msg, TW_UINT16 cap, TW_UINT16& con_type, std::vector<TW_UINT32>& items,
                              TW_UINT32* current_index) {
  TW_CAPABILITY request{cap, TWON_DONTCARE16, nullptr};
  TW_UINT16 rc = CallSource(DG_CONTROL, DAT_CAPABILITY, msg, &request);
  items.clear();
  con_type = request.ConType;
  if (rc != TWRC_SUCCESS || !request.hContainer) return rc;
  const auto* bytes = static_cast<const uint8_t*>(GlobalLock(request.hContainer));
  uint16_t type = Read16(bytes);
  size_t item = type == TWTY_FIX32 || type == TWTY_UINT32 || type == TWTY_INT32 ? 4 : 2;
  auto read_item = [&](const uint8_t* at) { return item == 4 ? Read32(at) : Read16(at); };
  if (con_type == TWON_ONEVALUE) {
    items.push_back(read_item(bytes + 2));
  } else if (con_type == TWON_ENUMERATION) {
    uint32_t count = Read32(bytes + 2);
    if (current_index) *current_index = Read32(bytes + 6);
    for (uint32_t i = 0; i < count; ++i) items.push_back(read_item(bytes + 14 + i * item));
  } else if (con_type == TWON_ARRAY) {
    uint32_t count = Read32(bytes + 2);
    for (uint32_t i = 0; i < count; ++i) items.push_back(read_item(bytes + 6 + i * item));
  }
  GlobalUnlock(request.hContainer);
  GlobalFree(request.hContainer);
  return rc;
}

TW_UINT16 TwainClient::Enable(bool show_ui) {
  TW_USERINTERFACE ui{static_cast<TW_BOOL>(show_ui ? 1 : 0), 0, window_};
  return CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_ENABLEDS, &ui);
}

TW_UINT16 TwainClient::Disable() {
  TW_USERINTERFACE ui{0, 0, window_};
  return CallSource(DG_CONTROL, DAT_USERINTERFACE, MSG_DISABLEDS, &ui);
}

bool TwainClient::WaitForEvent(TW_UINT16& event, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  while (GetTickCount() - start < timeout_ms) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
      continue;
    }
    TW_EVENT twain_event{&message, MSG_NULL};
    TW_UINT16 rc = CallSource(DG_CONTROL, DAT_EVENT, MSG_PROCESSEVENT, &twain_event);
    if (twain_event.TWMessage == MSG_XFERREADY || twain_event.TWMessage == MSG_CLOSEDSREQ) {
      event = twain_event.TWMessage;
      return true;
    }
    if (rc != TWRC_DSEVENT) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
  return false;
}

std::vector<ReceivedImage> TwainClient::TransferBatch(TW_UINT16 mechanism, TW_UINT16 file_format) {
  std::vector<ReceivedImage> images;
  for (int guard = 0; guard < 100; ++guard) {
    ReceivedImage image;
    bool ended = TransferOne(mechanism, file_format, image);
    images.push_back(std::move(image));
    if (!ended) {
      TW_PENDINGXFERS pending{};
      CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_RESET, &pending);
      pending_ = 0;
      break;
    }
    TW_PENDINGXFERS pending{};
    CallSource(DG_CONTROL, DAT_PENDINGXFERS, MSG_ENDXFER, &pending);
    pending_ = pending.Count;
    if (pending_ == 0) break;
  }
  return images;
}

bool TwainClient::TransferOne(TW_UINT16 mechanism, TW_UINT16 file_format, ReceivedImage& image) {
  image.result = CallSource(DG_IMAGE, DAT_IMAGEINFO, MSG_GET, &image.info);
  if (image.result != TWRC_SUCCESS) {
    image.condition = SourceCondition();
    return false;
  }
  bool ok = mechanism == TWSX_NATIVE ? Native(image)
            : mechanism == TWSX_MEMORY ? Memory(image)
                                       : File(file_format, image);
  if (image.result == TWRC_FAILURE) image.condition = SourceCondition();
  return ok || image.result == TWRC_CANCEL;
}

bool TwainClient::Native(ReceivedImage& image) {
  TW_HANDLE handle = nullptr;
  image.result = CallSource(DG_IMAGE, DAT_IMAGENATIVEXFER, MSG_GET, &handle);
  if (image.result != TWRC_XFERDONE) return false;
  const auto* dib = static_cast<const uint8_t*>(GlobalLock(handle));
  bool ok = dib && DibToRaster(dib, GlobalSize(handle), image.raster, image.colours);
  GlobalUnlock(handle);
  GlobalFree(handle);
  return ok;
}

bool TwainClient::Memory(ReceivedImage& image) {
  TW_SETUPMEMXFER setup{};
  if (CallSource(DG_CONTROL, DAT_SETUPMEMXFER, MSG_GET, &setup) != TWRC_SUCCESS) return false;
  HGLOBAL buffer = GlobalAlloc(GHND, setup.Preferred);
  std::vector<uint8_t> data;
  for (int guard = 0; guard < 100000; ++guard) {
    TW_IMAGEMEMXFER strip{};
    strip.Compression = TWON_DONTCARE16;
    strip.BytesPerRow = strip.Columns = strip.Rows = strip.XOffset = strip.YOffset = strip.BytesWritten =
        TWON_DONTCARE32;
    strip.Memory = TW_MEMORY{TWMF_APPOWNS | TWMF_HANDLE, setup.Preferred, buffer};
    image.result = CallSource(DG_IMAGE, DAT_IMAGEMEMXFER, MSG_GET, &strip);
    if (image.result != TWRC_SUCCESS && image.result != TWRC_XFERDONE) break;
    image.strips.push_back(strip);
    size_t bytes = std::min<size_t>(strip.BytesWritten, setup.Preferred);
    const auto* from = static_cast<const uint8_t*>(GlobalLock(buffer));
    data.insert(data.end(), from, from + bytes);
    GlobalUnlock(buffer);
    image.bytes_received += strip.BytesWritten;
    if (image.result == TWRC_XFERDONE) break;
  }
  GlobalFree(buffer);
  if (image.result != TWRC_XFERDONE || image.strips.empty()) return false;

  tvscan::Raster& raster = image.raster;
  raster.width = static_cast<uint32_t>(image.info.ImageWidth);
  raster.bits_per_pixel = static_cast<uint16_t>(image.info.BitsPerPixel);
  raster.row_bytes = tvscan::PackedRowBytes(raster.width, raster.bits_per_pixel);
  if (image.info.Compression != TWCP_NONE) {
    raster.height = static_cast<uint32_t>(image.info.ImageLength);
    raster.pixels.assign(raster.row_bytes * raster.height, 0);
    // Where the decoder paints pixels itself (past the width), white follows the pixel flavor.
    TW_UINT16 con_type = 0;
    std::vector<TW_UINT32> flavor;
    GetCap(MSG_GETCURRENT, ICAP_PIXELFLAVOR, con_type, flavor);
    bool vanilla = !flavor.empty() && flavor[0] == TWPF_VANILLA;
    kestrel::RowFormat format{raster.width, raster.row_bytes, vanilla};
    auto mode = static_cast<kestrel::CodingMode>(tvscan::CodingModeOf(image.info.Compression));
    auto outcome = kestrel::decodeRows(mode, format, kestrel::ConstByteSpan{data.data(), data.size()},
                                       raster.height, kestrel::ByteSpan{raster.pixels.data(), raster.pixels.size()});
    return outcome.rowsDamaged == 0 && outcome.rowsProduced == raster.height;
  }
  size_t bytes_per_row = image.strips.front().BytesPerRow;
  if (bytes_per_row < raster.row_bytes) return false;
  raster.height = static_cast<uint32_t>(data.size() / bytes_per_row);
  raster.pixels.assign(raster.row_bytes * raster.height, 0);
  for (uint32_t y = 0; y < raster.height; ++y) {
    std::memcpy(raster.pixels.data() + size_t{y} * raster.row_bytes, data.data() + size_t{y} * bytes_per_row,
                raster.row_bytes);
  }
  return true;
}

bool TwainClient::File(TW_UINT16 file_format, ReceivedImage& image) {
  TW_SETUPFILEXFER setup{};
  std::string name = temp_folder_ + (file_format == TWFF_TIFF ? "tvscan_test.tif" : "tvscan_test.bmp");
  std::snprintf(setup.FileName, sizeof setup.FileName, "%s", name.c_str());
  setup.Format = file_format;
  if (CallSource(DG_CONTROL, DAT_SETUPFILEXFER, MSG_SET, &setup) != TWRC_SUCCESS) return false;
  DeleteFileA(name.c_str());
  image.result = CallSource(DG_IMAGE, DAT_IMAGEFILEXFER, MSG_GET, nullptr);
  if (image.result != TWRC_XFERDONE) return false;
  std::vector<uint8_t> file = ReadFileBytes(name);
  DeleteFileA(name.c_str());
  if (file_format == TWFF_TIFF) {
    uint16_t photometric = 0;
    return TiffToRaster(file, image.raster, image.colours, photometric);
  }
  return file.size() > 14 && file[0] == 'B' && file[1] == 'M' &&
         DibToRaster(file.data() + 14, file.size() - 14, image.raster, image.colours);
}

}  // namespace tvscan_test
