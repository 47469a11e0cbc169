// Small stand-ins for KESTREL.DLL that fail the way a broken library can: built once per
// behaviour (see CMakeLists.txt), each exports what its behaviour needs.
//   STUB_NO_EXEC             only GetKSTLInfo
//   STUB_NEVER_SIGNALS       ExecKSTLImage returns without status or signal
//   STUB_STATUS=n            writes status n and signals on the calling thread
//   STUB_SIGNAL_FROM_THREAD  ... or from a thread of its own, a little later
#include <windows.h>

#include <cstdint>
#include <cstring>

namespace {

#ifdef STUB_STATUS
void Finish(uint8_t* header) {
  const uint16_t status = STUB_STATUS;
  std::memcpy(header + 6, &status, sizeof status);
  uint32_t event;
  std::memcpy(&event, header + 8, sizeof event);
  SetEvent(LongToHandle(static_cast<LONG>(event)));
}
#endif

#ifdef STUB_SIGNAL_FROM_THREAD
// The thread takes its own reference to this library before it signals, so that the caller may
// unload the library as soon as the event is set.
DWORD WINAPI FinishLater(void* header) {
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                     reinterpret_cast<const char*>(&FinishLater), &self);
  Sleep(200);
  Finish(static_cast<uint8_t*>(header));
  FreeLibraryAndExitThread(self, 0);
}
#endif

}  // namespace

extern "C" {

__declspec(dllexport) DWORD WINAPI GetKSTLInfo() { return 0x00010000; }

#ifndef STUB_NO_EXEC
__declspec(dllexport) WORD WINAPI ExecKSTLImage(void* header) {
#if defined(STUB_NEVER_SIGNALS)
  (void)header;
  return 1;
#elif defined(STUB_SIGNAL_FROM_THREAD)
  HANDLE thread = CreateThread(nullptr, 0, FinishLater, header, 0, nullptr);
  if (thread) CloseHandle(thread);
  return 0;
#else
  Finish(static_cast<uint8_t*>(header));
  return STUB_STATUS;
#endif
}
#endif

}  // extern "C"
