// The installed source manager (C:\windows\twain_32.dll) as an application meets it: loaded by
// path, DSM_Entry by ordinal 1, stub sources placed below the twain_32 folder.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "protocol/twain_protocol.h"

namespace {

const char kManagerPath[] = "C:\\windows\\twain_32.dll";
const char kSourceFolder[] = "C:\\windows\\twain_32";
const char kStubFolder[] = "C:\\windows\\twain_32\\stubs";
const char kTwainKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion\\TWAIN";

std::string OwnFolder() {
  char path[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path);
  return folder.substr(0, folder.find_last_of('\\'));
}

std::string StubPath(const char* name) { return std::string(kStubFolder) + "\\" + name; }

void InstallStub(const char* name) {
  CreateDirectoryA(kStubFolder, nullptr);
  ASSERT_TRUE(CopyFileA((OwnFolder() + "\\stub_source.ds").c_str(), StubPath(name).c_str(), FALSE))
      << name;
}

void ClearDefault() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kTwainKey, 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
    RegDeleteValueA(key, "Default Source");
    RegCloseKey(key);
  }
}

std::string StoredDefault() {
  char path[MAX_PATH] = "";
  DWORD size = sizeof path - 1;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kTwainKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
    return std::string();
  }
  RegQueryValueExA(key, "Default Source", nullptr, nullptr, reinterpret_cast<BYTE*>(path), &size);
  RegCloseKey(key);
  return path;
}

TW_IDENTITY Application() {
  TW_IDENTITY identity{};
  identity.Version.MajorNum = 1;
  identity.ProtocolMajor = 1;
  identity.ProtocolMinor = 7;
  identity.SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::strcpy(identity.Manufacturer, "Test");
  std::strcpy(identity.ProductFamily, "Test");
  std::strcpy(identity.ProductName, "Manager test");
  return identity;
}

TW_IDENTITY Named(const char* product) {
  TW_IDENTITY identity{};
  std::strcpy(identity.ProductName, product);
  return identity;
}

// One loaded manager and the application's side of the session.
class Manager {
 public:
  Manager() {
    module_ = LoadLibraryA(kManagerPath);
    if (module_) {
      entry_ = reinterpret_cast<DSMENTRYPROC>(
          reinterpret_cast<void*>(GetProcAddress(module_, MAKEINTRESOURCEA(1))));
    }
  }
  ~Manager() {
    if (module_) FreeLibrary(module_);
  }
  Manager(const Manager&) = delete;
  Manager& operator=(const Manager&) = delete;

  bool loaded() const { return entry_ != nullptr; }
  HMODULE module() const { return module_; }
  TW_UINT16 Call(pTW_IDENTITY destination, TW_UINT32 group, TW_UINT16 dat, TW_UINT16 msg,
                 TW_MEMREF data) {
    return entry_(&app_, destination, group, dat, msg, data);
  }
  TW_UINT16 Open() {
    HWND parent = nullptr;
    return Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_OPENDSM, &parent);
  }
  TW_UINT16 Close() {
    HWND parent = nullptr;
    return Call(nullptr, DG_CONTROL, DAT_PARENT, MSG_CLOSEDSM, &parent);
  }
  TW_UINT16 Identity(TW_UINT16 msg, TW_IDENTITY& identity) {
    return Call(nullptr, DG_CONTROL, DAT_IDENTITY, msg, &identity);
  }
  TW_UINT16 Condition(pTW_IDENTITY destination = nullptr) {
    TW_STATUS status{};
    Call(destination, DG_CONTROL, DAT_STATUS, MSG_GET, &status);
    return status.ConditionCode;
  }
  std::vector<std::string> List() {
    std::vector<std::string> names;
    TW_IDENTITY identity{};
    for (TW_UINT16 rc = Identity(MSG_GETFIRST, identity); rc == TWRC_SUCCESS;
         rc = Identity(MSG_GETNEXT, identity)) {
      names.push_back(identity.ProductName);
    }
    return names;
  }
  std::string Default() {
    TW_IDENTITY identity{};
    if (Identity(MSG_GETDEFAULT, identity) != TWRC_SUCCESS) return "(none)";
    return identity.ProductName;
  }

 private:
  HMODULE module_ = nullptr;
  DSMENTRYPROC entry_ = nullptr;
  TW_IDENTITY app_ = Application();
};

// Removes a folder with everything below it.
void RemoveTree(const std::string& folder) {
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
  if (find != INVALID_HANDLE_VALUE) {
    do {
      const std::string name = data.cFileName;
      if (name == "." || name == "..") continue;
      const std::string path = folder + "\\" + name;
      if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
        RemoveTree(path);
      } else {
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(find, &data));
    FindClose(find);
  }
  RemoveDirectoryA(folder.c_str());
}

// The sources folder holds exactly what the tests put there: the stubs and the virtual scanner.
// Whatever the prefix had (Wine ships sources of its own) waits beside it until the test ends.
class SourceManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ClearDefault();
    ASSERT_TRUE(MoveFileA(kSourceFolder, kAsideFolder)) << "no " << kSourceFolder << " to set aside";
    ASSERT_TRUE(CreateDirectoryA(kSourceFolder, nullptr));
    const std::string scanner = std::string(kSourceFolder) + "\\TVDSRC32";
    ASSERT_TRUE(CreateDirectoryA(scanner.c_str(), nullptr));
    ASSERT_TRUE(CopyFileA((std::string(kAsideFolder) + "\\TVDSRC32\\TVSCAN.DS").c_str(),
                          (scanner + "\\TVSCAN.DS").c_str(), TRUE))
        << "the virtual scanner is not installed";
    InstallStub("ALPHA.DS");
    InstallStub("BETA.DS");
    InstallStub("FAILING.DS");
  }
  void TearDown() override {
    if (GetFileAttributesA(kAsideFolder) != INVALID_FILE_ATTRIBUTES) {
      RemoveTree(kSourceFolder);
      EXPECT_TRUE(MoveFileA(kAsideFolder, kSourceFolder)) << "the prefix's sources were not put back";
    }
    ClearDefault();
  }
  static constexpr const char* kAsideFolder = "C:\\windows\\twain_32.aside";
};

TEST_F(SourceManagerTest, ExportsDsmEntryByOrdinalOneAndByName) {
  Manager manager;
  ASSERT_TRUE(manager.loaded());
  EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(manager.module(), "DSM_Entry")),
            reinterpret_cast<void*>(GetProcAddress(manager.module(), MAKEINTRESOURCEA(1))));
}

TEST_F(SourceManagerTest, EnumeratesEverySourceBelowTheFolderInNameOrder) {
  Manager manager;
  ASSERT_TRUE(manager.loaded());
  ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
  std::vector<std::string> names = manager.List();
  // stubs\ comes before TVDSRC32\ (case-insensitive order); FAILING.DS still answers MSG_GET.
  ASSERT_EQ(names.size(), 4u);
  EXPECT_EQ(names[0], "Stub ALPHA");
  EXPECT_EQ(names[1], "Stub BETA");
  EXPECT_EQ(names[2], "Stub FAILING");
  EXPECT_EQ(names[3].rfind("TALVORN", 0), 0u) << names[3];
  TW_IDENTITY identity{};
  EXPECT_EQ(manager.Identity(MSG_GETNEXT, identity), TWRC_ENDOFLIST);
  EXPECT_EQ(manager.Close(), TWRC_SUCCESS);
}

TEST_F(SourceManagerTest, DefaultIsRememberedAcrossLoadsAndFallsBackWhenDeleted) {
  {
    Manager manager;
    ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
    EXPECT_EQ(manager.Default(), "Stub ALPHA");  // nothing stored: the first found
    TW_IDENTITY beta = Named("Stub BETA");
    EXPECT_EQ(manager.Identity(MSG_SET, beta), TWRC_SUCCESS);
    TW_IDENTITY unknown = Named("No such source");
    EXPECT_EQ(manager.Identity(MSG_SET, unknown), TWRC_FAILURE);
    EXPECT_EQ(manager.Condition(), TWCC_NODS);
    manager.Close();
  }
  EXPECT_EQ(_stricmp(StoredDefault().c_str(), StubPath("BETA.DS").c_str()), 0) << StoredDefault();
  {
    Manager manager;
    ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
    EXPECT_EQ(manager.Default(), "Stub BETA");
    TW_IDENTITY source{};  // empty ProductName: the default
    ASSERT_EQ(manager.Identity(MSG_OPENDS, source), TWRC_SUCCESS);
    EXPECT_STREQ(source.ProductName, "Stub BETA");
    EXPECT_NE(source.Id, 0u);
    EXPECT_EQ(manager.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
    manager.Close();
  }
  ASSERT_TRUE(DeleteFileA(StubPath("BETA.DS").c_str()));
  Manager manager;
  ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
  EXPECT_EQ(manager.Default(), "Stub ALPHA");
  manager.Close();
}

TEST_F(SourceManagerTest, PassesTripletsWithADestinationToThatSource) {
  Manager manager;
  ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
  TW_IDENTITY source = Named("Stub ALPHA");
  ASSERT_EQ(manager.Identity(MSG_OPENDS, source), TWRC_SUCCESS);
  TW_UINT32 ids[2] = {0, 0};
  EXPECT_EQ(manager.Call(&source, DG_CONTROL, DAT_CUSTOMBASE + 2, MSG_GET, ids), TWRC_SUCCESS);
  EXPECT_NE(ids[0], 0u);  // the application's Id, assigned at MSG_OPENDSM
  EXPECT_EQ(ids[1], source.Id);
  // The source's own status, reached through the destination.
  EXPECT_EQ(manager.Call(&source, DG_CONTROL, DAT_XFERGROUP, MSG_GET, ids), TWRC_FAILURE);
  EXPECT_EQ(manager.Condition(&source), TWCC_BADPROTOCOL);
  // Closing addressed at the source, as some applications do, closes it too.
  EXPECT_EQ(manager.Call(&source, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
  EXPECT_EQ(manager.Close(), TWRC_SUCCESS);
}

TEST_F(SourceManagerTest, ReportsSequenceDestinationAndSourceErrors) {
  Manager manager;
  TW_IDENTITY source = Named("Stub ALPHA");
  EXPECT_EQ(manager.Identity(MSG_OPENDS, source), TWRC_FAILURE);
  EXPECT_EQ(manager.Condition(), TWCC_SEQERROR);
  EXPECT_EQ(manager.Close(), TWRC_FAILURE);
  EXPECT_EQ(manager.Condition(), TWCC_SEQERROR);

  ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
  EXPECT_EQ(manager.Open(), TWRC_FAILURE);
  EXPECT_EQ(manager.Condition(), TWCC_SEQERROR);

  TW_IDENTITY stranger = Named("Stub ALPHA");
  stranger.Id = 4711;
  TW_STATUS status{};
  EXPECT_EQ(manager.Call(&stranger, DG_CONTROL, DAT_STATUS, MSG_GET, &status), TWRC_FAILURE);
  EXPECT_EQ(manager.Condition(), TWCC_BADDEST);

  TW_IDENTITY failing = Named("Stub FAILING");
  EXPECT_EQ(manager.Identity(MSG_OPENDS, failing), TWRC_FAILURE);
  EXPECT_EQ(manager.Condition(), TWCC_OPERATIONERROR);  // the source's reason
  TW_IDENTITY missing = Named("Nobody");
  EXPECT_EQ(manager.Identity(MSG_OPENDS, missing), TWRC_FAILURE);
  EXPECT_EQ(manager.Condition(), TWCC_NODS);

  ASSERT_EQ(manager.Identity(MSG_OPENDS, source), TWRC_SUCCESS);
  EXPECT_EQ(manager.Close(), TWRC_FAILURE);  // a source is still open
  EXPECT_EQ(manager.Condition(), TWCC_SEQERROR);
  EXPECT_EQ(manager.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_SUCCESS);
  EXPECT_EQ(manager.Call(nullptr, DG_CONTROL, DAT_IDENTITY, MSG_CLOSEDS, &source), TWRC_FAILURE);
  EXPECT_EQ(manager.Condition(), TWCC_BADDEST);
  EXPECT_EQ(manager.Close(), TWRC_SUCCESS);
}

TEST_F(SourceManagerTest, NoSourcesInstalledGivesNoDataSource) {
  const std::string moved = std::string(kSourceFolder) + ".off";
  ASSERT_TRUE(MoveFileA(kSourceFolder, moved.c_str()));
  {
    Manager manager;
    ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
    TW_IDENTITY identity{};
    EXPECT_EQ(manager.Identity(MSG_GETDEFAULT, identity), TWRC_FAILURE);
    EXPECT_EQ(manager.Condition(), TWCC_NODS);
    EXPECT_EQ(manager.Identity(MSG_OPENDS, identity), TWRC_FAILURE);
    EXPECT_EQ(manager.Condition(), TWCC_NODS);
    EXPECT_EQ(manager.Identity(MSG_GETFIRST, identity), TWRC_ENDOFLIST);
    manager.Close();
  }
  ASSERT_TRUE(MoveFileA(moved.c_str(), kSourceFolder));
}

// Waits for the manager's selection dialog of this process.
HWND WaitForSelectDialog() {
  for (int i = 0; i < 500; ++i) {
    HWND dialog = FindWindowA("#32770", "Select Source");
    if (dialog && IsWindowVisible(dialog)) return dialog;
    Sleep(10);
  }
  return nullptr;
}

// Asks the manager for the user's choice while a second thread acts like the user: it picks
// line `line` of the selection dialog and presses `button`. `listed`: how many lines the dialog
// listed, -1 when none showed.
TW_UINT16 UserSelects(Manager& manager, int line, int button, TW_IDENTITY& chosen, int& listed) {
  std::atomic<int> seen{-1};
  std::thread user([&seen, line, button] {
    HWND dialog = WaitForSelectDialog();
    if (!dialog) return;
    HWND list = GetDlgItem(dialog, 1001);
    seen = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(line), 0);
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
  });
  const TW_UINT16 rc = manager.Identity(MSG_USERSELECT, chosen);
  user.join();
  listed = seen;
  return rc;
}

TEST_F(SourceManagerTest, SelectionDialogRemembersTheConfirmedChoice) {
  Manager manager;
  ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
  TW_IDENTITY chosen{};
  int listed = -1;
  EXPECT_EQ(UserSelects(manager, 1, IDOK, chosen, listed), TWRC_SUCCESS);  // Stub BETA
  EXPECT_EQ(listed, 4);
  EXPECT_STREQ(chosen.ProductName, "Stub BETA");
  EXPECT_EQ(manager.Default(), "Stub BETA");
  EXPECT_EQ(_stricmp(StoredDefault().c_str(), StubPath("BETA.DS").c_str()), 0);
  manager.Close();
}

TEST_F(SourceManagerTest, SelectionDialogCancelledKeepsTheDefault) {
  Manager manager;
  ASSERT_EQ(manager.Open(), TWRC_SUCCESS);
  TW_IDENTITY chosen{};
  int listed = -1;
  EXPECT_EQ(UserSelects(manager, 2, IDCANCEL, chosen, listed), TWRC_CANCEL);
  EXPECT_EQ(listed, 4);
  EXPECT_EQ(manager.Default(), "Stub ALPHA");
  EXPECT_EQ(StoredDefault(), "");
  manager.Close();
}

}  // namespace
