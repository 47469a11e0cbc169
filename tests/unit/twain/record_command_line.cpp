// A program that writes the parameters it was started with (after the first, which names the
// file to write) to that file, as one line.
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
  const char* line = GetCommandLineA();
  // Skip the program's own name, quoted or not.
  if (*line == '"') {
    line = std::strchr(line + 1, '"');
    line = line ? line + 1 : "";
  } else {
    while (*line && *line != ' ') ++line;
  }
  while (*line == ' ') ++line;
  const char* rest = std::strchr(line, ' ');
  if (!rest) return 1;
  char path[MAX_PATH];
  const size_t length = static_cast<size_t>(rest - line);
  if (length >= sizeof path) return 1;
  std::memcpy(path, line, length);
  path[length] = '\0';
  FILE* out = std::fopen(path, "wb");
  if (!out) return 1;
  std::fputs(rest + 1, out);
  std::fclose(out);
  return 0;
}
