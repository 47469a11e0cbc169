#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "config/scan_settings.h"
#include "tests/unit/test_support.h"

namespace quill {
namespace {

using quill_test::kSettingsKey;

struct RawValue {
  bool exists = false;
  DWORD type = 0;
  std::vector<BYTE> bytes;
};

RawValue ReadRaw(const char* name) {
  RawValue value;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return value;
  }
  DWORD size = 0;
  if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.exists = true;
    value.bytes.resize(size);
    RegQueryValueExA(key, name, nullptr, &value.type, size ? value.bytes.data() : nullptr, &size);
    value.bytes.resize(size);
  }
  RegCloseKey(key);
  return value;
}

DWORD ValueCount() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    return 0;
  }
  DWORD count = 0;
  RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                   nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return count;
}

std::vector<BYTE> NumberBytes(DWORD value) {
  return {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
}

std::vector<BYTE> TextBytes(const std::string& text) { return {text.begin(), text.end()}; }

void SetRawText(const char* name, const std::string& bytes) {
  quill_test::SetRawValue(kSettingsKey, name, REG_SZ, bytes.data(),
                          static_cast<DWORD>(bytes.size()));
}

class SettingsStore : public ::testing::Test {
 protected:
  void SetUp() override { quill_test::DeleteKey(kSettingsKey); }
  void TearDown() override { quill_test::DeleteKey(kSettingsKey); }
  HINSTANCE resources_ = GetModuleHandleA(nullptr);

  // Every stored field different from its default.
  ScanSettings Changed() {
    ScanSettings settings(resources_);
    settings.ScanMech = 2;
    settings.FileFormat = 1;
    settings.Destination = 1;
    settings.FileIdNumber = 0x01020304;
    settings.PaperSupply = 2;
    settings.XferCount = 12345;
    settings.ShowUI = 0;
    settings.Compress = 4;
    settings.KFactor = 8;
    std::strcpy(settings.FilePath, "C:\\Scans\\");
    std::strcpy(settings.FileFixate, "PAGE");
    settings.FileNumDigit = 4;
    settings.FileNumStep = 7;
    settings.LaunchProc = 1;
    std::strcpy(settings.LaunchCmdLine, "C:\\Tools\\viewer.exe");
    std::strcpy(settings.LaunchArgs, "%D %F %L");
    return settings;
  }
};

TEST_F(SettingsStore, WithNoKeyTheDefaultsStay) {
  ScanSettings settings(resources_);
  settings.Load(resources_);
  EXPECT_EQ(settings.ScanMech, 0);      // Native
  EXPECT_EQ(settings.Destination, 0);   // Display
  EXPECT_EQ(settings.FileFormat, 0);    // BMP
  EXPECT_EQ(settings.PaperSupply, 1);   // feeder, all pages
  EXPECT_EQ(settings.XferCount, 1);
  EXPECT_EQ(settings.Compress, 0);
  EXPECT_EQ(settings.KFactor, 4);
  EXPECT_EQ(settings.ShowUI, 1);
  EXPECT_STREQ(settings.FilePath, ".");
  EXPECT_STREQ(settings.FileFixate, "IMAGE");
  EXPECT_EQ(settings.FileNumDigit, 2);  // three digits
  EXPECT_EQ(settings.FileIdNumber, 1u);
  EXPECT_EQ(settings.FileNumStep, 1u);
  EXPECT_EQ(settings.FileNumModulus, 0u);
  EXPECT_EQ(settings.LaunchProc, 0);
  EXPECT_STREQ(settings.LaunchCmdLine, "");
  EXPECT_STREQ(settings.LaunchArgs, "");
}

TEST_F(SettingsStore, LoadsBackWhatItSaved) {
  Changed().Save(resources_);
  ScanSettings loaded(resources_);
  loaded.Load(resources_);
  const ScanSettings expected = Changed();
  EXPECT_EQ(loaded.ScanMech, expected.ScanMech);
  EXPECT_EQ(loaded.FileFormat, expected.FileFormat);
  EXPECT_EQ(loaded.Destination, expected.Destination);
  EXPECT_EQ(loaded.FileIdNumber, expected.FileIdNumber);
  EXPECT_EQ(loaded.PaperSupply, expected.PaperSupply);
  EXPECT_EQ(loaded.XferCount, expected.XferCount);
  EXPECT_EQ(loaded.ShowUI, expected.ShowUI);
  EXPECT_EQ(loaded.Compress, expected.Compress);
  EXPECT_EQ(loaded.KFactor, expected.KFactor);
  EXPECT_STREQ(loaded.FilePath, expected.FilePath);
  EXPECT_STREQ(loaded.FileFixate, expected.FileFixate);
  EXPECT_EQ(loaded.FileNumDigit, expected.FileNumDigit);
  EXPECT_EQ(loaded.FileNumStep, expected.FileNumStep);
  EXPECT_EQ(loaded.LaunchProc, expected.LaunchProc);
  EXPECT_STREQ(loaded.LaunchCmdLine, expected.LaunchCmdLine);
  EXPECT_STREQ(loaded.LaunchArgs, expected.LaunchArgs);
}

TEST_F(SettingsStore, WritesEveryValueInItsExactRegistryFormat) {
  ScanSettings settings = Changed();
  settings.XferCount = -1;  // numbers are their 32 bits, sign and all
  settings.Save(resources_);
  const struct {
    const char* name;
    DWORD number;
  } numbers[] = {{"ScanMech", 2},         {"FileFormat", 1},   {"Destination", 1},
                 {"FileIdNumber", 0x01020304}, {"PaperSupply", 2}, {"XferCount", 0xFFFFFFFF},
                 {"ShowUI", 0},           {"Compress", 4},     {"KFactor", 8},
                 {"FileNumDigit", 4},     {"FileNumStep", 7},  {"LaunchProc", 1}};
  for (const auto& expected : numbers) {
    const RawValue value = ReadRaw(expected.name);
    ASSERT_TRUE(value.exists) << expected.name;
    EXPECT_EQ(value.type, DWORD(REG_DWORD)) << expected.name;
    EXPECT_EQ(value.bytes, NumberBytes(expected.number)) << expected.name;
  }
  const struct {
    const char* name;
    const char* text;
  } texts[] = {{"FilePath", "C:\\Scans\\"},
               {"FileFixate", "PAGE"},
               {"LaunchCmdLine", "C:\\Tools\\viewer.exe"},
               {"LaunchArgs", "%D %F %L"}};
  for (const auto& expected : texts) {
    const RawValue value = ReadRaw(expected.name);
    ASSERT_TRUE(value.exists) << expected.name;
    EXPECT_EQ(value.type, DWORD(REG_SZ)) << expected.name;
    EXPECT_EQ(value.bytes, TextBytes(expected.text)) << expected.name << ": no terminator";
  }
  EXPECT_EQ(ValueCount(), 16u);
  EXPECT_FALSE(ReadRaw("FileNumModulus").exists) << "derived, never stored";
}

TEST_F(SettingsStore, StoresAnEmptyTextAsAValueOfSizeZero) {
  ScanSettings settings(resources_);
  settings.Save(resources_);
  const RawValue value = ReadRaw("LaunchArgs");
  ASSERT_TRUE(value.exists);
  EXPECT_EQ(value.type, DWORD(REG_SZ));
  EXPECT_TRUE(value.bytes.empty());

  ScanSettings loaded(resources_);
  std::strcpy(loaded.LaunchArgs, "stale");
  loaded.Load(resources_);
  EXPECT_STREQ(loaded.LaunchArgs, "");
}

TEST_F(SettingsStore, KeepsATextOf260CharactersWhole) {
  const std::string longest(260, 'a');
  ScanSettings settings(resources_);
  std::strcpy(settings.FilePath, longest.c_str());
  settings.Save(resources_);
  EXPECT_EQ(ReadRaw("FilePath").bytes.size(), 260u);
  ScanSettings loaded(resources_);
  loaded.Load(resources_);
  EXPECT_EQ(std::string(loaded.FilePath), longest);
}

TEST_F(SettingsStore, TakesNoValueThatDoesNotFitItsField) {
  SetRawText("FilePath", std::string(300, 'x'));
  SetRawText("FileFixate", std::string(261, 'y'));  // one byte too many, no terminator
  const BYTE fiveBytes[5] = {9, 0, 0, 0, 0};
  quill_test::SetRawValue(kSettingsKey, "ScanMech", REG_DWORD, fiveBytes, sizeof fiveBytes);
  const BYTE twoBytes[2] = {3, 0};
  quill_test::SetRawValue(kSettingsKey, "Compress", REG_BINARY, twoBytes, sizeof twoBytes);
  quill_test::SetNumberValue(kSettingsKey, "KFactor", 9);

  ScanSettings settings(resources_);
  settings.Load(resources_);
  EXPECT_STREQ(settings.FilePath, ".");
  EXPECT_STREQ(settings.FileFixate, "IMAGE");
  EXPECT_EQ(settings.ScanMech, 0);
  EXPECT_EQ(settings.Compress, 0) << "a short number would leave bits undefined";
  EXPECT_EQ(settings.KFactor, 9) << "the values after a refused one are still read";
}

TEST_F(SettingsStore, TakesTextsWrittenWithATerminatorAndNumbersOfAnyType) {
  SetRawText("FileFixate", std::string("SCAN", 5));
  SetRawText("FilePath", std::string(260, 'p') + '\0');  // full field with its terminator
  const BYTE number[4] = {2, 0, 0, 0};
  quill_test::SetRawValue(kSettingsKey, "FileFormat", REG_BINARY, number, sizeof number);
  ScanSettings settings(resources_);
  settings.Load(resources_);
  EXPECT_STREQ(settings.FileFixate, "SCAN");
  EXPECT_EQ(std::string(settings.FilePath), std::string(260, 'p'));
  EXPECT_EQ(settings.FileFormat, 2);
}

TEST_F(SettingsStore, NeitherWritesNorRemovesPageCode) {
  quill_test::SetNumberValue(kSettingsKey, "PageCode", 0x0411);
  ScanSettings settings = Changed();
  settings.Save(resources_);
  settings.Save(resources_);
  EXPECT_EQ(ReadRaw("PageCode").bytes, NumberBytes(0x0411));
  EXPECT_EQ(ValueCount(), 17u);

  quill_test::DeleteValue(kSettingsKey, "PageCode");
  settings.Save(resources_);
  EXPECT_FALSE(ReadRaw("PageCode").exists);
  EXPECT_EQ(ValueCount(), 16u);
}

TEST_F(SettingsStore, SavesTheFileNumberAlone) {
  ScanSettings settings(resources_);
  settings.FileIdNumber = 42;
  settings.SaveFileIdNumber(resources_);
  EXPECT_EQ(ValueCount(), 1u);
  EXPECT_EQ(ReadRaw("FileIdNumber").bytes, NumberBytes(42));

  quill_test::SetNumberValue(kSettingsKey, "ScanMech", 1);
  settings.FileIdNumber = 43;
  settings.SaveFileIdNumber(resources_);
  EXPECT_EQ(ReadRaw("ScanMech").bytes, NumberBytes(1)) << "other values stay as they were";
  EXPECT_EQ(ReadRaw("FileIdNumber").bytes, NumberBytes(43));
}

}  // namespace
}  // namespace quill
