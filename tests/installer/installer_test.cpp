// The packages as an administrator deploys them: installed silently into a prefix that holds
// only the system's source manager, the program started from its Start menu shortcut scans a
// page through the virtual scanner's package, and a silent removal leaves nothing of the
// program but the user's settings. Reinstalling and upgrading keep one entry in Add/Remove
// Programs.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/e2e/driver/prefix_fixtures.h"
#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"
#include "tests/common/virtual_scanner_default.h"

namespace {

const char kProductName[] = "TWAIN Tessel Utility";
const char kInstallFolder[] = "C:\\Program Files\\TVQuill\\";
const char kFilterKey[] = "SOFTWARE\\TALVORN\\Talvorn TWAIN32\\4.5\\KESTREL";
const char kSettingsKey[] = "SOFTWARE\\TALVORN\\Talvorn TWAIN32\\OPTION\\UTY";
const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string PackagePath(const char* relative) { return e2e::ExeFolder() + relative; }
std::string ProgramPackage() { return PackagePath("..\\..\\installer\\" QUILL_PROGRAM_PACKAGE); }
std::string ScannerPackage() { return PackagePath("..\\..\\installer\\" QUILL_SCANNER_PACKAGE); }
std::string UpgradePackage() { return PackagePath("TVQuill-upgrade.msi"); }

// Runs msiexec with `arguments` silently; its exit code, or -1 when it did not run or end.
long RunMsiexec(const std::string& arguments) {
  std::string command = "msiexec.exe " + arguments + " /qn";
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process)) {
    return -1;
  }
  DWORD exitCode = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, 180000) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &exitCode);
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<long>(exitCode);
}
long Install(const std::string& package) { return RunMsiexec("/i \"" + package + "\""); }
long Uninstall(const std::string& package) { return RunMsiexec("/x \"" + package + "\""); }

std::string ReadText(HKEY root, const char* keyPath, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return "(no key)";
  char text[512] = "";
  DWORD size = sizeof text - 1, type = 0;
  const LONG read = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return read == ERROR_SUCCESS && type == REG_SZ ? std::string(text) : std::string("(no value)");
}

void WriteNumber(const char* keyPath, const char* name, DWORD number) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);
}

DWORD ReadNumber(const char* keyPath, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return 0;
  DWORD number = 0, size = sizeof number;
  RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&number), &size);
  RegCloseKey(key);
  return number;
}

// The versions of the program in Add/Remove Programs, one per entry.
std::vector<std::string> AddRemoveEntries() {
  std::vector<std::string> versions;
  HKEY uninstall = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &uninstall) != ERROR_SUCCESS) {
    return versions;
  }
  char name[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(uninstall, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
      break;
    }
    const std::string entry = std::string(kUninstallKey) + "\\" + name;
    if (ReadText(HKEY_LOCAL_MACHINE, entry.c_str(), "DisplayName") == kProductName) {
      versions.push_back(ReadText(HKEY_LOCAL_MACHINE, entry.c_str(), "DisplayVersion"));
    }
  }
  RegCloseKey(uninstall);
  return versions;
}

// The Start menu shortcut, for all users or the installing user; empty when there is none.
std::string ShortcutPath() {
  for (int folder : {CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS}) {
    char path[MAX_PATH] = "";
    if (SHGetFolderPathA(nullptr, folder, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK) continue;
    const std::string link = std::string(path) + "\\" + kProductName + ".lnk";
    if (Exists(link)) return link;
  }
  return std::string();
}

// What a shortcut starts, read as the shell reads it.
std::string ShortcutTarget(const std::string& link) {
  std::string target;
  IShellLinkA* shellLink = nullptr;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                              reinterpret_cast<void**>(&shellLink)))) {
    return target;
  }
  IPersistFile* file = nullptr;
  if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
    wchar_t wide[MAX_PATH] = L"";
    MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH);
    char path[MAX_PATH] = "";
    if (SUCCEEDED(file->Load(wide, STGM_READ)) &&
        SUCCEEDED(shellLink->GetPath(path, MAX_PATH, nullptr, 0))) {
      target = path;
    }
    file->Release();
  }
  shellLink->Release();
  return target;
}

// The prefix as a user's machine has it before the installation: the system's source manager,
// no program, no filter library, no scanner driver (the build put them there for other tests).
void RemoveWhatTheBuildInstalled() {
  const std::string windows = e2e::WindowsFolder();
  for (const std::string& file :
       {std::string(kInstallFolder) + "TVQUILL.EXE", std::string(kInstallFolder) + "TVQU0409.DLL",
        windows + "\\twain_32\\TVDSRC32\\KESTREL.DLL", windows + "\\twain_32\\TVDSRC32\\TVSCAN.DS"}) {
    if (Exists(file)) {
      ASSERT_TRUE(DeleteFileA(file.c_str())) << file;
    }
  }
  RemoveDirectoryA(kInstallFolder);
  RegDeleteKeyA(HKEY_LOCAL_MACHINE, kFilterKey);
}

class InstallerPackages : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { CoInitialize(nullptr); }
  static void TearDownTestSuite() { CoUninitialize(); }
  void SetUp() override {
    ASSERT_TRUE(Exists(ProgramPackage())) << ProgramPackage();
    ASSERT_TRUE(Exists(ScannerPackage())) << ScannerPackage();
    RemoveWhatTheBuildInstalled();
  }
};

TEST_F(InstallerPackages, InstallRunsAScanAndUninstallLeavesOnlyTheSettings) {
  WriteNumber(kSettingsKey, "FileIdNumber", 42);  // the user's own setting from an earlier life
  ASSERT_EQ(Install(ProgramPackage()), 0);
  ASSERT_EQ(Install(ScannerPackage()), 0);

  const std::string program = std::string(kInstallFolder) + "TVQUILL.EXE";
  EXPECT_TRUE(Exists(program));
  EXPECT_TRUE(Exists(std::string(kInstallFolder) + "TVQU0409.DLL"));
  EXPECT_TRUE(Exists(std::string(kInstallFolder) + "Filter\\KESTREL.DLL"));
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kFilterKey, "Path"), std::string(kInstallFolder) + "Filter\\");
  EXPECT_EQ(AddRemoveEntries(), (std::vector<std::string>{"5.6.1"}));
  const std::string shortcut = ShortcutPath();
  ASSERT_FALSE(shortcut.empty()) << "no Start menu shortcut";
  const std::string target = ShortcutTarget(shortcut);
  EXPECT_EQ(lstrcmpiA(target.c_str(), program.c_str()), 0) << target;

  // The installed program, started as the shortcut starts it, binds the filter library from
  // the "Path" value and scans through the installed virtual scanner without a message.
  ASSERT_TRUE(quill_test::StoreDefaultSource(quill_test::VirtualScannerPath()));
  {
    e2e::ProgramSettings settings({{"ShowUI", 0}, {"Destination", 0}, {"ScanMech", 0}, {"PaperSupply", 0}});
    e2e::ScannerScenario scenario("pages = 1\n");
    e2e::ProgramDriver driver(target);
    ASSERT_TRUE(driver.Start());
    ASSERT_TRUE(driver.WaitUntilIdle());
    EXPECT_EQ(driver.FindAnyDialog(), nullptr) << "the installed program started with a message";
    driver.PostCommand(ID_ACQUIRE);
    EXPECT_TRUE(e2e::WaitFor([&] { return driver.MdiChildTitles().size() == 1; }, 60000))
        << "no page arrived from the virtual scanner";
    ASSERT_TRUE(driver.WaitUntilIdle());
    EXPECT_EQ(driver.MdiChildTitles(), (std::vector<std::string>{"IMAGE1"}));
    driver.PostCommand(ID_APP_EXIT);
    HWND question = driver.WaitForDialog("TWAIN Tessel Utility (32)");
    ASSERT_NE(question, nullptr) << "the scanned page was not asked about";
    ASSERT_TRUE(driver.PressButton(question, IDNO));
    DWORD exitCode = 1;
    EXPECT_TRUE(driver.WaitForExit(10000, &exitCode));
    EXPECT_EQ(exitCode, 0u);
  }

  ASSERT_EQ(Uninstall(ScannerPackage()), 0);
  ASSERT_EQ(Uninstall(ProgramPackage()), 0);
  EXPECT_FALSE(Exists(program));
  EXPECT_FALSE(Exists(std::string(kInstallFolder) + "TVQU0409.DLL"));
  EXPECT_FALSE(Exists(std::string(kInstallFolder) + "Filter\\KESTREL.DLL"));
  EXPECT_FALSE(Exists(quill_test::VirtualScannerPath()));
  EXPECT_EQ(ShortcutPath(), "");
  EXPECT_EQ(ReadText(HKEY_LOCAL_MACHINE, kFilterKey, "Path"), "(no key)");
  EXPECT_TRUE(AddRemoveEntries().empty());
  EXPECT_EQ(ReadNumber(kSettingsKey, "FileIdNumber"), 42u) << "the user's settings were removed";
}

TEST_F(InstallerPackages, ReinstallingAndUpgradingKeepOneEntryInAddRemovePrograms) {
  ASSERT_TRUE(Exists(UpgradePackage())) << UpgradePackage();
  WriteNumber(kSettingsKey, "FileIdNumber", 7);
  ASSERT_EQ(Install(ProgramPackage()), 0);
  const long again = Install(ProgramPackage());
  EXPECT_TRUE(again == 0 || again == ERROR_PRODUCT_VERSION) << again;
  EXPECT_EQ(AddRemoveEntries(), (std::vector<std::string>{"5.6.1"}));

  ASSERT_EQ(Install(UpgradePackage()), 0);
  EXPECT_EQ(AddRemoveEntries(), (std::vector<std::string>{"5.6.99"}));
  EXPECT_TRUE(Exists(std::string(kInstallFolder) + "TVQUILL.EXE"));
  EXPECT_FALSE(ShortcutPath().empty());
  EXPECT_EQ(ReadNumber(kSettingsKey, "FileIdNumber"), 7u) << "the upgrade changed the user's settings";

  ASSERT_EQ(Uninstall(UpgradePackage()), 0);
  EXPECT_TRUE(AddRemoveEntries().empty());
  EXPECT_FALSE(Exists(std::string(kInstallFolder) + "TVQUILL.EXE"));
}

}  // namespace
