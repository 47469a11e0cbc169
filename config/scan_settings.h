// The one record of everything the user configures, and its registry storage.
#pragma once

#include <windows.h>

namespace quill {

struct ScanSettings {
  static const int kTextSize = 261;  // 260 characters and a terminating zero

  // Sets every field to its default; the fixed part of file names comes from the string table
  // of `resources` (the current resource handle).
  explicit ScanSettings(HINSTANCE resources);

  // Resets every field to its default.
  void Reset(HINSTANCE resources);
  // Reads every value present under the settings key; missing or oversized values keep the field.
  void Load(HINSTANCE resources);
  // Writes all sixteen values, creating the key when needed. Failures are silent.
  void Save(HINSTANCE resources) const;
  // Writes "FileIdNumber" alone.
  void SaveFileIdNumber(HINSTANCE resources) const;

  DWORD FileIdNumber;
  LONG XferCount;
  LONG ScanMech;       // 0 Native, 1 Memory, 2 File
  LONG Destination;    // 0 Display, 1 File, 2 Display + File
  LONG FileFormat;     // 0 BMP, 1 TIFF
  LONG PaperSupply;    // 0 Flat Bed, 1 ADF all pages, 2 ADF with XferCount pages
  LONG Compress;       // 0 None, 1 G3 1D, 2 G3 1D with EOL, 3 G3 2D, 4 G4
  LONG KFactor;        // used as 16-bit
  LONG ShowUI;         // 0 or 1
  char FilePath[kTextSize];
  char FileFixate[kTextSize];
  LONG FileNumDigit;   // digits of the number minus one, 0..4
  DWORD FileNumStep;
  DWORD FileNumModulus;  // derived: 10 to the power (FileNumDigit + 1); never stored
  LONG LaunchProc;     // 0 or 1
  char LaunchCmdLine[kTextSize];
  char LaunchArgs[kTextSize];
};

// The process's one settings record, created at start-up.
ScanSettings& TheSettings();

}  // namespace quill
