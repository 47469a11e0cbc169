// The two entry points the program looks up by name. Both are stdcall; kestrel.def.in exports them
// without decoration.
#include <windows.h>

#include "kestrel/core/command_runner.h"
#include "kestrel/win/process_memory.h"
#include "kestrel/win/win32_file_system.h"

namespace {

// What GetKSTLInfo reports: the library's version, major in the high word.
constexpr DWORD kLibraryVersion = 0x00010000;

// The header carries the event as a 32-bit value; kernel handles fit 32 bits in 64-bit processes
// too and are sign-extended back into a HANDLE.
class EventCompletion : public kestrel::CompletionSignal {
public:
    void signal(uint32_t eventHandle) override { SetEvent(LongToHandle(static_cast<LONG>(eventHandle))); }
};

} // namespace

extern "C" {

DWORD WINAPI GetKSTLInfo() { return kLibraryVersion; }

// Returns the status it wrote into the header (the caller reads the header after the event).
// A header beyond 32-bit reach cannot be named by the block's links and is refused without a
// status or a signal, like any other unreachable header.
WORD WINAPI ExecKSTLImage(void* header) {
    const UINT_PTR address = reinterpret_cast<UINT_PTR>(header);
    if (address > 0xFFFFFFFFu) return kestrel::kStatusBadMemoryBlock;
    kestrel::win::ProcessMemory memory;
    kestrel::win::Win32FileSystem files;
    EventCompletion completion;
    kestrel::Environment env{memory, files, &completion};
    return kestrel::executeCallBlock(static_cast<uint32_t>(address), env);
}

} // extern "C"
