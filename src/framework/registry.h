// Registry access with every size checked: values are read into fixed fields and never trusted
// to fit.
#pragma once

#include <windows.h>

#include <cstddef>

#include "framework/handles.h"

namespace qfw {

// Opens `path` under `root` with `access`; an empty owner when the key cannot be opened.
UniqueRegKey OpenRegistryKey(HKEY root, const char* path, REGSAM access);
// Opens `path`, creating it (non-volatile) when it does not exist yet.
UniqueRegKey OpenOrCreateRegistryKey(HKEY root, const char* path, REGSAM access);

// Reads a value of exactly four bytes, whatever its stored type. Anything else is not taken.
bool ReadRegistryNumber(HKEY key, const char* name, DWORD& value);
// Reads a text value into `buffer` of `capacity` bytes, terminated. A value whose characters do
// not fit with their terminator is not taken and the buffer is left unchanged.
bool ReadRegistryText(HKEY key, const char* name, char* buffer, std::size_t capacity);

// Writes a REG_DWORD of four bytes.
bool WriteRegistryNumber(HKEY key, const char* name, DWORD value);
// Writes a REG_SZ holding the text's characters without a terminator (an empty text is a value
// of size 0): the format other tools that share these keys expect.
bool WriteRegistryText(HKEY key, const char* name, const char* text);

}  // namespace qfw
