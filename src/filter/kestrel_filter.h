// The binding of the filter library KESTREL.DLL: loads it, finds its two entry points, builds the
// call block from setter calls, runs one command at a time and waits until the library signals
// that it is done. Every failure is thrown as a CKestrelException; nothing is reported here.
//
// The library itself is shared by all KestrelFilter objects: the first one binds it, the last one
// to go releases it. Calls must come from one thread and must not overlap.
//
// The call block carries 32-bit addresses: the commands (which link the records), SetFileOutput
// (the name) and Execute (parameter block, work buffer, header) throw kKestrelAddressOutOfReach
// for memory beyond them. The 64-bit program is linked and allocates below 4 GB, so they never do.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "filter/kestrel_call_block.h"
#include "filter/kestrel_exception.h"

namespace quill {

class KestrelFilter {
 public:
  // Binds the library at `libraryPath` unless one is bound already; throws when it cannot.
  explicit KestrelFilter(const std::string& libraryPath);
  KestrelFilter(const KestrelFilter&) = delete;
  KestrelFilter& operator=(const KestrelFilter&) = delete;

  // Forgets the coding bytes, frees the work buffer, then Reset.
  virtual void Clear();
  virtual int BindLibrary(const std::string& libraryPath);
  virtual DWORD UnbindLibrary();
  virtual void SetCommand(uint8_t command);
  // Releases this object's share of the library; a failure to unload is swallowed here (a
  // destructor must not throw): call Release() first where it matters.
  virtual ~KestrelFilter();

  virtual DWORD GetInfo();
  virtual WORD CallExec(KestrelHeader* header);
  virtual int CreateDoneEvent();
  virtual WORD WaitDone();
  virtual void Reset();

  virtual uint16_t SetXResolution(uint16_t dpi);
  virtual uint16_t GetXResolution() const;
  virtual uint16_t SetYResolution(uint16_t dpi);
  virtual uint16_t GetYResolution() const;
  // Sizes in 1/1200 inch.
  virtual uint32_t SetImageWidth(uint32_t width);
  virtual uint32_t GetImageWidth() const;
  virtual uint32_t SetImageLength(uint32_t length);
  virtual uint32_t GetImageLength() const;
  virtual uint8_t SetBitsPerPixel(uint8_t bits);
  virtual uint8_t GetBitsPerPixel() const;
  // Returns the new value.
  virtual DWORD SetWhiteIsZero(DWORD whiteIsZero);
  virtual DWORD GetWhiteIsZero() const;

  virtual int AllocWorkBuffer(size_t bytes);
  virtual int FreeWorkBuffer();

  virtual void SetFileOutput(const char* fileName, uint8_t flag1, uint8_t flag2, uint8_t mode,
                             uint8_t k, uint8_t encodeMode, uint8_t encodeK);
  virtual void SetEncode(uint8_t mode, uint8_t k);
  virtual void SetDecode(uint8_t mode, uint8_t k);

  // Runs the command set up before; returns the library's status 1 or 5 and throws otherwise.
  // `third` is 3 in every call of the program.
  virtual WORD Execute(CodingParams* params, UINT direction, UINT third);
  virtual WORD PrepareBlock(CodingParams* params, UINT direction, UINT third);
  virtual DWORD GetLastResult() const;

  // Gives up this object's share of the library: unbinds it when this was the last object.
  // Throws when the library cannot be unloaded. Done at most once per object.
  void Release();

  // The call block as the library will read it.
  const KestrelCallBlock& CallBlock() const { return block_; }

  // How long Execute waits for the library. Tests shorten it; the program never does.
  static constexpr DWORD kCompletionTimeoutMs = 180000;
  static void SetCompletionTimeoutForTests(DWORD milliseconds);

  // How many objects share the library, and whether it is bound (both module-wide).
  static int InstanceCount();
  static bool LibraryBound();

 private:
  uint32_t AddressOf(const void* p) const;
  void SetCodingBytes(uint8_t encodeMode, uint8_t encodeK, uint8_t mode, uint8_t k);

  KestrelCallBlock block_{};
  DWORD whiteIsZero_ = 0;
  uint8_t decodeMode_ = 0;  // or the file's coding mode
  uint8_t decodeK_ = 0;
  uint8_t encodeMode_ = 0;
  uint8_t encodeK_ = 0;
  DWORD lastResult_ = 1;
  std::unique_ptr<uint8_t[]> workBuffer_;
  std::string fileName_;  // the library reads it through the file record
  bool released_ = false;
};

}  // namespace quill

namespace quill {

constexpr const char* kFilterLibraryName = "KESTREL.DLL";

// The program's one binding, made at start-up; none when the library could not be bound.
KestrelFilter* ProgramFilter();

// Start-up: binds KESTREL.DLL in `filterDirectory` (a folder ending in a backslash) and asks it
// for its information once. A failure shows the exception's report once and start-up goes on;
// a library that cannot be bound leaves no binding, a failing information call keeps it.
void BindProgramFilter(const std::string& filterDirectory);

// Puts a binding made elsewhere in place of the program's (measurements that watch the calls).
void InstallProgramFilter(std::unique_ptr<KestrelFilter> filter);

// Exit: releases the program's binding without a word, whatever happens.
void ReleaseProgramFilter();

}  // namespace quill
