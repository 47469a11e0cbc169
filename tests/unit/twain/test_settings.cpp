// TEST-ONLY: a settings record without the registry, linked while the configuration library is
// not part of the build. The program uses the real one.
#include <cstring>

#include "scan_settings.h"

namespace quill {

ScanSettings::ScanSettings(HINSTANCE resources) { Reset(resources); }

void ScanSettings::Reset(HINSTANCE) {
  FileIdNumber = 1;
  XferCount = 1;
  ScanMech = 0;
  Destination = 0;
  FileFormat = 0;
  PaperSupply = 1;
  Compress = 0;
  KFactor = 4;
  ShowUI = 1;
  std::strcpy(FilePath, ".");
  std::strcpy(FileFixate, "IMAGE");
  FileNumDigit = 2;
  FileNumStep = 1;
  FileNumModulus = 0;
  LaunchProc = 0;
  LaunchCmdLine[0] = '\0';
  LaunchArgs[0] = '\0';
}

void ScanSettings::Load(HINSTANCE) {}
void ScanSettings::Save(HINSTANCE) const {}
void ScanSettings::SaveFileIdNumber(HINSTANCE) const {}

ScanSettings& TheSettings() {
  static ScanSettings settings(nullptr);
  return settings;
}

}  // namespace quill
