// What start-up decides before any window exists: whether another copy already runs, which
// language library supplies the resources, and where the filter library lives.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

#include "framework/handles.h"

namespace quill {

// Size of the filter folder buffer: 260 characters and a terminator.
constexpr std::size_t kFilterPathSize = 261;

// True when another copy owns a main window; that window (or its last active pop-up) is brought
// to the top and restored when minimised.
bool IsAnotherInstanceRunning();

// "TVQU" + the low 16 bits of `pageCode` as four lower-case hexadecimal digits + ".DLL".
std::string LanguageLibraryName(DWORD pageCode);
// The language library beside the program: `modulePath` cut after its last backslash, then
// `libraryName`. Empty when the module path has no folder.
std::string LanguageLibraryPath(const std::string& modulePath, const std::string& libraryName);
// Loads the language library named by "PageCode" (or the user's default language) from the
// program's own folder. An empty owner when there is none: the program's resources stay in use.
qfw::UniqueModule LoadLanguageLibrary();

// Fills `buffer` with the filter library's folder, ending in a backslash: "Path" under the
// filter key, else TWAIN_32\TVDSRC32\ in the Windows folder.
void GetFilterDirectory(char* buffer, std::size_t size);
// That folder with "KESTREL.DLL"; empty when the name does not fit.
std::string FilterLibraryPath();

}  // namespace quill
