// Bounded text helpers for fixed-size character buffers. Portable: no windows.h.
//
// A text that does not fit is refused, never cut: a truncated file name or command line would
// name a different file or run a different program.
#pragma once

#include <cstddef>
#include <string_view>

namespace quill {

// Copies `text` and a terminator into `buffer` of `capacity` bytes. Returns false, leaving the
// buffer an empty text (when capacity allows), if it does not fit.
bool CopyText(char* buffer, std::size_t capacity, std::string_view text);

// Appends `text` to the zero-terminated contents of `buffer`. Returns false, leaving the buffer
// unchanged, if the result would not fit in `capacity` bytes with its terminator.
bool AppendText(char* buffer, std::size_t capacity, std::string_view text);

// Length of the zero-terminated text in `buffer`, never reading past `capacity` bytes.
std::size_t BoundedLength(const char* buffer, std::size_t capacity);

}  // namespace quill
