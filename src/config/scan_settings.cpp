#include "config/scan_settings.h"

#include <string>

#include "framework/registry.h"
#include "framework/resources.h"
#include "res/string_ids.h"
#include "base/text.h"

namespace quill {
namespace {

const REGSAM kSaveAccess = KEY_READ | KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

// One registry value of the record: its name's string id and the one field it carries. Load
// and Save walk the table in its order.
struct StoredValue {
  UINT nameId;
  LONG ScanSettings::*number;
  DWORD ScanSettings::*unsignedNumber;
  char (ScanSettings::*text)[ScanSettings::kTextSize];
};

constexpr StoredValue Number(UINT id, LONG ScanSettings::*field) {
  return {id, field, nullptr, nullptr};
}
constexpr StoredValue Unsigned(UINT id, DWORD ScanSettings::*field) {
  return {id, nullptr, field, nullptr};
}
constexpr StoredValue Text(UINT id, char (ScanSettings::*field)[ScanSettings::kTextSize]) {
  return {id, nullptr, nullptr, field};
}

const StoredValue kFileIdNumber = Unsigned(IDS_VALUE_FILEIDNUMBER, &ScanSettings::FileIdNumber);

const StoredValue kStoredValues[] = {
    Number(IDS_VALUE_SCANMECH, &ScanSettings::ScanMech),
    Number(IDS_VALUE_FILEFORMAT, &ScanSettings::FileFormat),
    Number(IDS_VALUE_DESTINATION, &ScanSettings::Destination),
    kFileIdNumber,
    Number(IDS_VALUE_PAPERSUPPLY, &ScanSettings::PaperSupply),
    Number(IDS_VALUE_XFERCOUNT, &ScanSettings::XferCount),
    Number(IDS_VALUE_SHOWUI, &ScanSettings::ShowUI),
    Number(IDS_VALUE_COMPRESS, &ScanSettings::Compress),
    Number(IDS_VALUE_KFACTOR, &ScanSettings::KFactor),
    Text(IDS_VALUE_FILEPATH, &ScanSettings::FilePath),
    Text(IDS_VALUE_FILEFIXATE, &ScanSettings::FileFixate),
    Number(IDS_VALUE_FILENUMDIGIT, &ScanSettings::FileNumDigit),
    Unsigned(IDS_VALUE_FILENUMSTEP, &ScanSettings::FileNumStep),
    Number(IDS_VALUE_LAUNCHPROC, &ScanSettings::LaunchProc),
    Text(IDS_VALUE_LAUNCHCMDLINE, &ScanSettings::LaunchCmdLine),
    Text(IDS_VALUE_LAUNCHARGS, &ScanSettings::LaunchArgs),
};

void LoadValue(HKEY key, HINSTANCE resources, const StoredValue& value, ScanSettings& settings) {
  const std::string name = qfw::LoadResourceString(resources, value.nameId);
  if (value.text) {
    qfw::ReadRegistryText(key, name.c_str(), settings.*value.text, ScanSettings::kTextSize);
    return;
  }
  DWORD number = 0;
  if (!qfw::ReadRegistryNumber(key, name.c_str(), number)) return;
  if (value.unsignedNumber) {
    settings.*value.unsignedNumber = number;
  } else {
    settings.*value.number = static_cast<LONG>(number);
  }
}

void SaveValue(HKEY key, HINSTANCE resources, const StoredValue& value,
               const ScanSettings& settings) {
  const std::string name = qfw::LoadResourceString(resources, value.nameId);
  if (value.text) {
    const char* text = settings.*value.text;
    // A field is always terminated within its size; a broken one is written empty, never read
    // past its end.
    const bool terminated = BoundedLength(text, ScanSettings::kTextSize) < ScanSettings::kTextSize;
    qfw::WriteRegistryText(key, name.c_str(), terminated ? text : "");
    return;
  }
  const DWORD number = value.unsignedNumber ? settings.*value.unsignedNumber
                                            : static_cast<DWORD>(settings.*value.number);
  qfw::WriteRegistryNumber(key, name.c_str(), number);
}

qfw::UniqueRegKey OpenSettingsKeyForSave(HINSTANCE resources) {
  const std::string path = qfw::LoadResourceString(resources, IDS_SETTINGS_KEY);
  return qfw::OpenOrCreateRegistryKey(HKEY_LOCAL_MACHINE, path.c_str(), kSaveAccess);
}

}  // namespace

ScanSettings::ScanSettings(HINSTANCE resources) { Reset(resources); }

void ScanSettings::Reset(HINSTANCE resources) {
  FileIdNumber = 1;
  XferCount = 1;
  ScanMech = kTransferNative;
  Destination = kToDisplay;
  FileFormat = kFormatBmp;
  PaperSupply = kFeederAllPages;
  Compress = kCompressNone;
  KFactor = 4;
  ShowUI = 1;
  CopyText(FilePath, sizeof FilePath, ".");
  CopyText(FileFixate, sizeof FileFixate,
           qfw::LoadResourceString(resources, IDS_DEFAULT_FILE_FIXATE));
  FileNumDigit = 2;
  FileNumStep = 1;
  FileNumModulus = 0;
  LaunchProc = 0;
  LaunchCmdLine[0] = '\0';
  LaunchArgs[0] = '\0';
}

void ScanSettings::Load(HINSTANCE resources) {
  const std::string path = qfw::LoadResourceString(resources, IDS_SETTINGS_KEY);
  qfw::UniqueRegKey key = qfw::OpenRegistryKey(HKEY_LOCAL_MACHINE, path.c_str(), KEY_READ);
  if (!key) return;
  for (const StoredValue& value : kStoredValues) LoadValue(key.get(), resources, value, *this);
}

void ScanSettings::Save(HINSTANCE resources) const {
  qfw::UniqueRegKey key = OpenSettingsKeyForSave(resources);
  if (!key) return;
  for (const StoredValue& value : kStoredValues) SaveValue(key.get(), resources, value, *this);
}

void ScanSettings::SaveFileIdNumber(HINSTANCE resources) const {
  qfw::UniqueRegKey key = OpenSettingsKeyForSave(resources);
  if (!key) return;
  SaveValue(key.get(), resources, kFileIdNumber, *this);
}

ScanSettings& TheSettings() {
  static ScanSettings settings(qfw::ResourceHandle());
  return settings;
}

}  // namespace quill
