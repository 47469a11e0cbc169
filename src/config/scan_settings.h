// The one record of everything the user configures, and its registry storage.
#pragma once

#include <windows.h>

namespace quill {

// The coded values of the settings, as the registry stores them: the numbers are the file
// format of the settings key and never change.
enum TransferMode : LONG { kTransferNative = 0, kTransferMemory = 1, kTransferFile = 2 };
enum Destination : LONG { kToDisplay = 0, kToFile = 1, kToDisplayAndFile = 2 };
enum FileFormat : LONG { kFormatBmp = 0, kFormatTiff = 1 };
enum PaperSupply : LONG { kFlatbed = 0, kFeederAllPages = 1, kFeederCountedPages = 2 };
enum Compression : LONG {
  kCompressNone = 0,
  kCompressG3OneDim = 1,
  kCompressG3OneDimEol = 2,
  kCompressG3TwoDim = 3,
  kCompressG4 = 4,
};

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
  // The coded values below are kept as stored: a value no enumerator names (read from an edited
  // registry) stays what it was, for the code that uses it to judge.
  LONG ScanMech;       // TransferMode
  LONG Destination;    // Destination
  LONG FileFormat;     // FileFormat
  LONG PaperSupply;    // PaperSupply: kFeederCountedPages scans XferCount pages
  LONG Compress;       // Compression
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
