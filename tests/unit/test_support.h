// Helpers shared by the program's in-process tests.
#pragma once

#include <windows.h>

#include <string>

namespace quill_test {

// The settings key and the filter key, as other tools find them.
extern const char kSettingsKey[];
extern const char kFilterKey[];

// Removes every queued message, the quit message included, so that no test sees another's.
void DrainMessages();

// Deletes a key without subkeys; a missing key is fine.
void DeleteKey(const char* path);
// Sets or removes one value of a key (created when needed); one that cannot be set or removed
// fails the calling test.
void SetRawValue(const char* keyPath, const char* name, DWORD type, const void* data, DWORD size);
void SetNumberValue(const char* keyPath, const char* name, DWORD value);
void DeleteValue(const char* keyPath, const char* name);

// Top-level windows of the main window's class.
int CountMainWindows();

}  // namespace quill_test
