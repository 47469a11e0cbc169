#include "filter/kestrel_filter.h"

#include <new>
#include <utility>

#include "base/byte_order.h"
#include "framework/handles.h"

namespace quill {
namespace {

using GetInfoEntry = DWORD(WINAPI*)();
using ExecEntry = WORD(WINAPI*)(void*);

// What every KestrelFilter object shares: the library, its entry points, the path it was loaded
// from, the event of the command in progress and how many objects use it all.
struct LibraryBinding {
  qfw::UniqueModule library;
  FARPROC getInfo = nullptr;
  FARPROC exec = nullptr;
  std::string path;
  bool hasPath = false;
  qfw::UniqueKernelHandle doneEvent;
  int instances = 0;

  bool Complete() const { return library && getInfo && exec && hasPath; }
};

LibraryBinding binding;
DWORD completionTimeoutMs = KestrelFilter::kCompletionTimeoutMs;

// The program's own binding, made at start-up. Defined after `binding` so that, should it still
// exist when the process ends, it goes before the state it shares.
std::unique_ptr<KestrelFilter> programFilter;

template <typename Entry>
Entry EntryAs(FARPROC entry) {
  // Through a generic function pointer: the entry's real type is only known here.
  return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(entry));
}

using byte_order::ReadBig16;
using byte_order::ReadBig32;
using byte_order::WriteBig16;
using byte_order::WriteBig32;

// Stores a value in a big-endian field of the call block and gives back the one it replaced.
uint16_t ExchangeBig16(uint8_t (&field)[2], uint16_t value) {
  const uint16_t previous = ReadBig16(field);
  WriteBig16(field, value);
  return previous;
}
uint32_t ExchangeBig32(uint8_t (&field)[4], uint32_t value) {
  const uint32_t previous = ReadBig32(field);
  WriteBig32(field, value);
  return previous;
}

// Closes the event of a command on every way out of Execute.
class DoneEventSlotGuard {
 public:
  DoneEventSlotGuard() = default;
  DoneEventSlotGuard(const DoneEventSlotGuard&) = delete;
  DoneEventSlotGuard& operator=(const DoneEventSlotGuard&) = delete;
  ~DoneEventSlotGuard() { binding.doneEvent.reset(); }
};

}  // namespace

KestrelFilter::KestrelFilter(const std::string& libraryPath) {
  ++binding.instances;
  lastResult_ = 1;
  KestrelFilter::Clear();
  if (!binding.Complete()) {
    try {
      KestrelFilter::BindLibrary(libraryPath);
    } catch (...) {
      // No object came into being, so none will give its share back.
      --binding.instances;
      throw;
    }
  }
}

KestrelFilter::~KestrelFilter() {
  try {
    Release();
  } catch (const CKestrelException&) {
    // The library stays loaded until the process ends; nobody can be told from here.
  }
}

void KestrelFilter::Release() {
  if (released_) return;
  released_ = true;
  if (binding.instances > 0 && --binding.instances == 0) UnbindLibrary();
}

void KestrelFilter::Clear() {
  workBuffer_.reset();
  SetCodingBytes(0, 0, 0, 0);
  Reset();
}

int KestrelFilter::BindLibrary(const std::string& libraryPath) {
  lastResult_ = 1;
  if (binding.Complete()) return 1;
  qfw::UniqueModule library(LoadLibraryA(libraryPath.c_str()));
  if (!library) {
    lastResult_ = 0;
    throw CKestrelException(kKestrelCannotLoad);
  }
  const FARPROC getInfo = GetProcAddress(library.get(), "GetKSTLInfo");
  const FARPROC exec = GetProcAddress(library.get(), "ExecKSTLImage");
  if (!getInfo || !exec) {
    lastResult_ = 0;
    throw CKestrelException(kKestrelMissingEntry);
  }
  try {
    binding.path = libraryPath;
  } catch (const std::bad_alloc&) {
    lastResult_ = 0;
    throw CKestrelException(kKestrelOutOfMemory);
  }
  binding.hasPath = true;
  binding.library = std::move(library);
  binding.getInfo = getInfo;
  binding.exec = exec;
  return 1;
}

DWORD KestrelFilter::UnbindLibrary() {
  lastResult_ = 1;
  binding.getInfo = nullptr;
  binding.exec = nullptr;
  if (!binding.library) return 1;
  SetLastError(ERROR_SUCCESS);
  const BOOL freed = FreeLibrary(binding.library.get());
  lastResult_ = static_cast<DWORD>(freed);
  // A refusal with a reason leaves nothing to retry; one without a reason keeps the handle.
  if (!freed && GetLastError() == ERROR_SUCCESS) throw CKestrelException(kKestrelCannotLoad);
  binding.library.release();
  binding.path.clear();
  binding.hasPath = false;
  workBuffer_.reset();
  return lastResult_;
}

void KestrelFilter::SetCommand(uint8_t command) {
  KestrelHeader& header = block_.header;
  header.size = kKestrelHeaderSize;
  header.command = command;
  header.completionKind = 0;
  header.status = 0;
  header.eventHandle = 0;
  header.fileRecord = command == kKestrelWriteFile ? AddressOf(&block_.file) : 0;
  block_.buffer.size = kKestrelBufferRecordSize;
  block_.image.size = kKestrelImageRecordSize;
  header.bufferRecord = AddressOf(&block_.buffer);
  header.imageRecord = AddressOf(&block_.image);
}

DWORD KestrelFilter::GetInfo() {
  if (!binding.getInfo) throw CKestrelException(kKestrelMissingEntry);
  return EntryAs<GetInfoEntry>(binding.getInfo)();
}

WORD KestrelFilter::CallExec(KestrelHeader* header) {
  if (!binding.exec) throw CKestrelException(kKestrelMissingEntry);
  return EntryAs<ExecEntry>(binding.exec)(header);
}

int KestrelFilter::CreateDoneEvent() {
  qfw::UniqueKernelHandle event(CreateEventA(nullptr, FALSE, FALSE, nullptr));
  if (!event) throw CKestrelException(kKestrelNoEvent);
  // Kernel handles have 32 significant bits in 64-bit processes too; the library sign-extends.
  block_.header.eventHandle = static_cast<uint32_t>(HandleToLong(event.get()));
  block_.header.completionKind = kKestrelCompletionByEvent;
  binding.doneEvent = std::move(event);
  return 1;
}

WORD KestrelFilter::WaitDone() {
  const DWORD waited = binding.doneEvent
                           ? WaitForSingleObject(binding.doneEvent.get(), completionTimeoutMs)
                           : WAIT_FAILED;
  binding.doneEvent.reset();
  if (waited != WAIT_OBJECT_0) throw CKestrelException(kKestrelExecuteFailure);
  const WORD status = block_.header.status;
  if (status == kestrel::kStatusSuccess || status == kestrel::kStatusRepaired) return status;
  throw CKestrelException(status == 0 ? static_cast<DWORD>(kKestrelExecuteFailure) : status);
}

void KestrelFilter::Reset() {
  block_ = KestrelCallBlock{};
  block_.header.size = kKestrelHeaderSize;
  block_.file.size = kKestrelFileRecordSize;
  block_.buffer.size = kKestrelBufferRecordSize;
  block_.image.size = kKestrelImageRecordSize;
}

uint16_t KestrelFilter::SetXResolution(uint16_t dpi) { return ExchangeBig16(block_.image.xResolution, dpi); }
uint16_t KestrelFilter::GetXResolution() const { return ReadBig16(block_.image.xResolution); }

uint16_t KestrelFilter::SetYResolution(uint16_t dpi) { return ExchangeBig16(block_.image.yResolution, dpi); }
uint16_t KestrelFilter::GetYResolution() const { return ReadBig16(block_.image.yResolution); }

uint32_t KestrelFilter::SetImageWidth(uint32_t width) { return ExchangeBig32(block_.image.width, width); }
uint32_t KestrelFilter::GetImageWidth() const { return ReadBig32(block_.image.width); }

uint32_t KestrelFilter::SetImageLength(uint32_t length) { return ExchangeBig32(block_.image.length, length); }
uint32_t KestrelFilter::GetImageLength() const { return ReadBig32(block_.image.length); }

uint8_t KestrelFilter::SetBitsPerPixel(uint8_t bits) {
  return std::exchange(block_.image.bitsPerPixel, bits);
}
uint8_t KestrelFilter::GetBitsPerPixel() const { return block_.image.bitsPerPixel; }

DWORD KestrelFilter::SetWhiteIsZero(DWORD whiteIsZero) { return whiteIsZero_ = whiteIsZero; }
DWORD KestrelFilter::GetWhiteIsZero() const { return whiteIsZero_; }

int KestrelFilter::AllocWorkBuffer(size_t bytes) {
  workBuffer_.reset();
  workBuffer_.reset(new (std::nothrow) uint8_t[bytes]());
  if (!workBuffer_) throw CKestrelException(kKestrelOutOfMemory);
  return 1;
}

int KestrelFilter::FreeWorkBuffer() {
  workBuffer_.reset();
  return 1;
}

void KestrelFilter::SetFileOutput(const char* fileName, uint8_t flag1, uint8_t flag2,
                                  uint8_t mode, uint8_t k, uint8_t encodeMode, uint8_t encodeK) {
  SetCommand(kKestrelWriteFile);
  block_.file.flag1 = flag1;
  block_.file.flag2 = flag2;
  // A copy: the caller's text need not outlive this call, the library reads it at Execute.
  try {
    fileName_ = fileName ? fileName : "";
  } catch (const std::bad_alloc&) {
    throw CKestrelException(kKestrelOutOfMemory);
  }
  block_.file.fileName = AddressOf(fileName_.c_str());
  SetCodingBytes(encodeMode, encodeK, mode, k);
}

void KestrelFilter::SetEncode(uint8_t mode, uint8_t k) {
  SetCommand(kKestrelEncode);
  SetCodingBytes(mode, k, 0, 0);
}

void KestrelFilter::SetDecode(uint8_t mode, uint8_t k) {
  SetCommand(kKestrelDecode);
  SetCodingBytes(0, 0, mode, k);
}

WORD KestrelFilter::Execute(CodingParams* params, UINT direction, UINT third) {
  DoneEventSlotGuard closesEvent;
  CreateDoneEvent();
  PrepareBlock(params, direction, third);
  return WaitDone();
}

WORD KestrelFilter::PrepareBlock(CodingParams* params, UINT direction, UINT third) {
  if (!params) throw CKestrelException(224);  // the library's "bad parameter"
  params->word[0] = static_cast<uint32_t>(encodeMode_) | static_cast<uint32_t>(encodeK_) << 8 |
                    static_cast<uint32_t>(decodeMode_) << 16 |
                    static_cast<uint32_t>(decodeK_) << 24;
  block_.buffer.params = AddressOf(params);
  const UINT high = (third | (whiteIsZero_ == 0 ? kKestrelWhiteIsOne : 0)) & 0xFF;
  block_.buffer.flags = static_cast<uint16_t>((direction & 0xFF) | high << 8);
  block_.buffer.workBuffer = workBuffer_ ? AddressOf(workBuffer_.get()) : 0;
  // A header the library cannot name would never be answered: refuse it before the wait.
  AddressOf(&block_.header);
  return CallExec(&block_.header);
}

DWORD KestrelFilter::GetLastResult() const { return lastResult_; }

uint32_t KestrelFilter::AddressOf(const void* p) const {
  const uint64_t address = reinterpret_cast<UINT_PTR>(p);
  if (address > 0xFFFFFFFFull) throw CKestrelException(kKestrelAddressOutOfReach);
  return static_cast<uint32_t>(address);
}

void KestrelFilter::SetCodingBytes(uint8_t encodeMode, uint8_t encodeK, uint8_t mode, uint8_t k) {
  encodeMode_ = encodeMode;
  encodeK_ = encodeK;
  decodeMode_ = mode;
  decodeK_ = k;
}

void KestrelFilter::SetCompletionTimeoutForTests(DWORD milliseconds) {
  completionTimeoutMs = milliseconds;
}

int KestrelFilter::InstanceCount() { return binding.instances; }
bool KestrelFilter::LibraryBound() { return binding.Complete(); }

KestrelFilter* ProgramFilter() { return programFilter.get(); }

void BindProgramFilter(const std::string& filterDirectory) {
  try {
    programFilter = std::make_unique<KestrelFilter>(filterDirectory + kFilterLibraryName);
    programFilter->GetInfo();
  } catch (const CKestrelException& failure) {
    failure.ReportError();
  }
}

void InstallProgramFilter(std::unique_ptr<KestrelFilter> filter) { programFilter = std::move(filter); }

void ReleaseProgramFilter() {
  std::unique_ptr<KestrelFilter> filter = std::move(programFilter);
  if (!filter) return;
  try {
    filter->Release();
  } catch (const CKestrelException&) {
    // Exit goes on quietly; the system unloads the library with the process.
  }
}

}  // namespace quill
