// The Configuration dialog of the running program, driven as a user would from outside: both
// pages, the filename rule and the folder picker changed and confirmed (the registry then holds
// every value with its name and type), Cancel, the checks that keep the dialog open and
// "Ac&quire..." that scans as configured. Screenshots of the four dialogs go under build/.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/driver/prefix_fixtures.h"
#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"
#include "tests/common/screen_pixels.h"

namespace {

const char kConfigurationCaption[] = "Configuration";
const char kErrorCaption[] = "Error";
const std::string kBuildFolder = e2e::ExeFolder() + "..\\..\\..\\";

// The classic open-file dialog's controls the folder picker keeps or hides.
const int kCurrentFolder = 1088;
const int kFolderLabel = 1090;
const int kFolderList = 1121;
const int kFileList = 1120;
const int kFileNameEdit = 1152;

// Every stored value, as a fresh installation has it.
std::vector<e2e::ProgramSettings::Value> DefaultValues() {
  return {{"ScanMech", 0},      {"FileFormat", 0},  {"Destination", 0},   {"FileIdNumber", 1},
          {"PaperSupply", 1},   {"XferCount", 1},   {"ShowUI", 1},        {"Compress", 0},
          {"KFactor", 4},       {"FilePath", 0, "."}, {"FileFixate", 0, "IMAGE"}, {"FileNumDigit", 2},
          {"FileNumStep", 1},   {"LaunchProc", 0},  {"LaunchCmdLine", 0, ""}, {"LaunchArgs", 0, ""}};
}

// The defaults with some values replaced.
std::vector<e2e::ProgramSettings::Value> ValuesWith(const std::vector<e2e::ProgramSettings::Value>& changes) {
  std::vector<e2e::ProgramSettings::Value> values = DefaultValues();
  for (const auto& change : changes) {
    for (auto& value : values) {
      if (std::strcmp(value.name, change.name) == 0) value = change;
    }
  }
  return values;
}

struct RawValue {
  DWORD type = REG_NONE;
  std::string bytes;
  bool operator==(const RawValue& other) const { return type == other.type && bytes == other.bytes; }
};

// Every value under the settings key, read as stored.
std::map<std::string, RawValue> StoredValues() {
  std::map<std::string, RawValue> values;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\TALVORN\\Talvorn TWAIN32\\OPTION\\UTY", 0, KEY_READ, &key) !=
      ERROR_SUCCESS) {
    return values;
  }
  for (DWORD index = 0;; ++index) {
    char name[256] = "";
    BYTE data[1024] = {};
    DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
    if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, data, &dataSize) != ERROR_SUCCESS) break;
    values[name] = {type, std::string(reinterpret_cast<const char*>(data), dataSize)};
  }
  RegCloseKey(key);
  return values;
}

RawValue Number(DWORD value) { return {REG_DWORD, std::string(reinterpret_cast<const char*>(&value), 4)}; }
RawValue Text(const std::string& text) { return {REG_SZ, text}; }

std::string ItemText(HWND dialog, int id) { return e2e::WindowText(GetDlgItem(dialog, id)); }

// The page (a child dialog of the Configuration dialog) that holds control `id`.
HWND PageWith(HWND config, int id) {
  for (HWND child = GetWindow(config, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (GetDlgItem(child, id)) return child;
  }
  ADD_FAILURE() << "no page holds control " << id;
  return nullptr;
}

// A click that opens nothing modal: it is done when this returns.
void ClickNow(HWND dialog, int id) {
  DWORD_PTR result = 0;
  EXPECT_NE(SendMessageTimeoutA(GetDlgItem(dialog, id), BM_CLICK, 0, 0, SMTO_NORMAL, 5000, &result), 0u) << id;
}

// A choice in a drop-down list, with the notification the list would send.
void Choose(HWND dialog, int id, int index) {
  HWND list = GetDlgItem(dialog, id);
  DWORD_PTR result = 0;
  SendMessageTimeoutA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0, SMTO_NORMAL, 5000, &result);
  SendMessageTimeoutA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list),
                      SMTO_NORMAL, 5000, &result);
}

LRESULT Selection(HWND dialog, int id) { return SendMessageA(GetDlgItem(dialog, id), CB_GETCURSEL, 0, 0); }
bool Checked(HWND dialog, int id) { return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
LRESULT SelectedTab(HWND config) { return SendMessageA(GetDlgItem(config, IDC_CONFIG_TABS), TCM_GETCURSEL, 0, 0); }

// Saves what the screen shows of a window's client area as a BMP file for people to look at.
void SaveShot(HWND window, const std::string& name) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(300);  // the program paints in its own time
  EXPECT_FALSE(quill_test::Screenshot(window, kBuildFolder + name).bgr.empty())
      << "screenshot " << name << " not written";
}

HWND OpenConfiguration(e2e::ProgramDriver& program) {
  program.PostCommand(ID_CONFIGURATION);
  HWND config = program.WaitForDialog(kConfigurationCaption);
  EXPECT_NE(config, nullptr) << "command 1096 opened no Configuration dialog";
  return config;
}

// Starts the program and opens the Configuration dialog through command 1096.
HWND StartAndConfigure(e2e::ProgramDriver& program) {
  if (!program.Start() || !program.WaitUntilIdle()) {
    ADD_FAILURE() << "the program did not start";
    return nullptr;
  }
  return OpenConfiguration(program);
}

// Waits for an "Error" box with `text` and presses its OK.
void ExpectOneError(e2e::ProgramDriver& program, const std::string& text) {
  HWND box = program.WaitForDialog(kErrorCaption);
  ASSERT_NE(box, nullptr) << "no message: " << text;
  const std::vector<std::string> texts = program.DialogTexts(box);
  EXPECT_NE(std::find(texts.begin(), texts.end(), text), texts.end()) << text;
  ASSERT_TRUE(program.PressButton(box, IDOK));
}

void ExpectNoError(e2e::ProgramDriver& program) {
  EXPECT_EQ(program.WaitForDialog(kErrorCaption, 1500), nullptr) << "a second message";
}

// Ctrl+Shift+Tab typed on the keyboard while the dialog is in front.
void PressCtrlShiftTab(HWND dialog) {
  SetForegroundWindow(dialog);
  e2e::WaitFor([&] { return GetForegroundWindow() == dialog; }, 3000);
  INPUT keys[6] = {};
  const WORD sequence[6] = {VK_CONTROL, VK_SHIFT, VK_TAB, VK_TAB, VK_SHIFT, VK_CONTROL};
  for (int i = 0; i < 6; ++i) {
    keys[i].type = INPUT_KEYBOARD;
    keys[i].ki.wVk = sequence[i];
    keys[i].ki.dwFlags = i < 3 ? 0 : KEYEVENTF_KEYUP;
  }
  SendInput(6, keys, sizeof keys[0]);
}

std::string CreatedFolder(const std::string& path) {
  CreateDirectoryA(path.c_str(), nullptr);
  EXPECT_NE(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << path;
  return path;
}

TEST(ConfigurationDialog, BothPagesAndTheNameRuleAreStoredOnOkAndNothingOnCancel) {
  const std::string folder = CreatedFolder("C:\\quill_e2e_config");
  e2e::ProgramSettings settings(DefaultValues());
  ASSERT_TRUE(settings.written());
  e2e::ProgramDriver program;
  HWND config = StartAndConfigure(program);
  ASSERT_NE(config, nullptr);
  HWND basic = PageWith(config, IDC_MECH_NATIVE);
  HWND extend = PageWith(config, IDC_LAUNCH);
  ASSERT_TRUE(basic && extend);
  EXPECT_EQ(SelectedTab(config), 0) << "opens on Basic Functions";
  EXPECT_TRUE(IsWindowVisible(basic));
  EXPECT_FALSE(IsWindowVisible(extend));
  SaveShot(config, "config_basic_page.bmp");

  ClickNow(basic, IDC_MECH_MEMORY);
  Choose(basic, IDC_OUTPUT, 2);
  Choose(basic, IDC_FORMAT, 1);
  Choose(basic, IDC_COMPRESSION, 3);
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(basic, IDC_KFACTOR)));
  ASSERT_TRUE(program.SetEditText(basic, IDC_PATH, "C:/quill_e2e_config"));
  ClickNow(basic, IDC_SHOW_UI);
  ClickNow(basic, IDC_ADF_COUNT);
  ASSERT_TRUE(program.SetEditText(basic, IDC_PAGE_COUNT, "7"));

  ASSERT_TRUE(program.PressButton(basic, IDC_NAME_RULE, false));
  HWND rule = program.WaitForDialog("Filename Rule");
  ASSERT_NE(rule, nullptr);
  EXPECT_EQ(ItemText(rule, IDC_RULE_FIXATE), "IMAGE");
  SaveShot(rule, "config_filename_rule.bmp");
  ASSERT_TRUE(program.SetEditText(rule, IDC_RULE_FIXATE, "PAGE"));
  Choose(rule, IDC_RULE_DIGITS, 3);
  ASSERT_TRUE(program.SetEditText(rule, IDC_RULE_START, "25"));
  ASSERT_TRUE(program.SetEditText(rule, IDC_RULE_STEP, "5"));
  ASSERT_TRUE(program.PressButton(rule, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(ItemText(basic, IDC_SAMPLE_NAME), "PAGE$$$$.TIF");

  PressCtrlShiftTab(config);
  EXPECT_TRUE(e2e::WaitFor([&] { return SelectedTab(config) == 1; }, 5000))
      << "Ctrl+Shift+Tab on the first tab did not select Extend Functions";
  EXPECT_TRUE(IsWindowVisible(extend));
  EXPECT_FALSE(IsWindowVisible(basic));
  SaveShot(config, "config_extend_page.bmp");
  ClickNow(extend, IDC_LAUNCH);
  ASSERT_TRUE(program.SetEditText(extend, IDC_PROCESS, "C:\\windows\\notepad.exe"));
  ASSERT_TRUE(program.SetEditText(extend, IDC_PARAMETERS, "%F"));
  ASSERT_TRUE(program.PressButton(config, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());

  const std::map<std::string, RawValue> expected = {
      {"ScanMech", Number(1)},         {"FileFormat", Number(1)},     {"Destination", Number(2)},
      {"FileIdNumber", Number(25)},    {"PaperSupply", Number(2)},    {"XferCount", Number(7)},
      {"ShowUI", Number(0)},           {"Compress", Number(3)},       {"KFactor", Number(4)},
      {"FilePath", Text(folder)},      {"FileFixate", Text("PAGE")},  {"FileNumDigit", Number(3)},
      {"FileNumStep", Number(5)},      {"LaunchProc", Number(1)},     {"LaunchCmdLine", Text("C:\\windows\\notepad.exe")},
      {"LaunchArgs", Text("%F")}};
  const std::map<std::string, RawValue> stored = StoredValues();
  for (const auto& [name, value] : expected) {
    auto found = stored.find(name);
    ASSERT_NE(found, stored.end()) << name;
    EXPECT_EQ(found->second.type, value.type) << name;
    EXPECT_EQ(found->second.bytes, value.bytes) << name;
  }

  // They come back when the dialog opens again.
  config = OpenConfiguration(program);
  ASSERT_NE(config, nullptr);
  basic = PageWith(config, IDC_MECH_NATIVE);
  extend = PageWith(config, IDC_LAUNCH);
  EXPECT_EQ(SelectedTab(config), 0);
  EXPECT_TRUE(Checked(basic, IDC_MECH_MEMORY));
  EXPECT_EQ(Selection(basic, IDC_OUTPUT), 2);
  EXPECT_EQ(Selection(basic, IDC_FORMAT), 1);
  EXPECT_EQ(Selection(basic, IDC_COMPRESSION), 3);
  EXPECT_EQ(ItemText(basic, IDC_KFACTOR), "4");
  EXPECT_EQ(ItemText(basic, IDC_PATH), folder);
  EXPECT_TRUE(Checked(basic, IDC_ADF_COUNT));
  EXPECT_EQ(ItemText(basic, IDC_PAGE_COUNT), "7");
  EXPECT_FALSE(Checked(basic, IDC_SHOW_UI));
  EXPECT_EQ(ItemText(basic, IDC_SAMPLE_NAME), "PAGE$$$$.TIF");
  EXPECT_TRUE(Checked(extend, IDC_LAUNCH));
  EXPECT_EQ(ItemText(extend, IDC_PROCESS), "C:\\windows\\notepad.exe");
  EXPECT_EQ(ItemText(extend, IDC_PARAMETERS), "%F");

  // Cancel after changes on both pages stores nothing.
  ClickNow(basic, IDC_MECH_FILE);
  ClickNow(basic, IDC_FLATBED);
  ASSERT_TRUE(program.SetEditText(basic, IDC_PATH, "C:\\elsewhere"));
  ClickNow(extend, IDC_LAUNCH);
  ASSERT_TRUE(program.PressButton(config, IDCANCEL));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(StoredValues(), stored);

  EXPECT_TRUE(program.ClosesCleanly());
}

std::string ScanFolder(const std::string& name) {
  const std::string root = e2e::ExeFolder() + "scans\\";
  CreateDirectoryA(root.c_str(), nullptr);
  const std::string folder = root + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  for (const char* file : {"IMAGE001.TIF", "IMAGE002.TIF", "IMAGE003.TIF"}) DeleteFileA((folder + file).c_str());
  return folder;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

TEST(ConfigurationDialog, ChecksKeepItOpenAndAcquireScansOnlyWithValidValues) {
  const std::string scans = ScanFolder("config_acquire");
  const std::string notAFolder = e2e::ExeFolder() + "config_not_a_folder.txt";
  std::ofstream(notAFolder) << "a file, not a folder";
  e2e::ProgramSettings settings(ValuesWith({{"ScanMech", 1},
                                            {"Destination", 2},
                                            {"FileFormat", 1},
                                            {"Compress", 4},
                                            {"PaperSupply", 2},
                                            {"XferCount", 0},
                                            {"ShowUI", 0},
                                            {"FilePath", 0, "C:\\quill_e2e_missing"}}));
  e2e::ScannerTrace trace;
  e2e::ScannerScenario scenario("pages = 3\n" + trace.ScenarioLine());
  e2e::ProgramDriver program;
  HWND config = StartAndConfigure(program);
  ASSERT_NE(config, nullptr);
  HWND basic = PageWith(config, IDC_MECH_NATIVE);

  // ADF(G) with 0 pages and a missing folder: both messages, the page count first.
  ASSERT_TRUE(program.PressButton(config, IDOK, false));
  ExpectOneError(program, "Illegal value is specified.");
  ExpectOneError(program, "Illegal folder name.");
  ExpectNoError(program);
  EXPECT_TRUE(IsWindowVisible(config));

  // A file named as the folder: one message from Acquire, which starts nothing.
  ASSERT_TRUE(program.SetEditText(basic, IDC_PAGE_COUNT, "2"));
  ASSERT_TRUE(program.SetEditText(basic, IDC_PATH, notAFolder));
  ASSERT_TRUE(program.PressButton(config, IDC_CONFIG_ACQUIRE, false));
  ExpectOneError(program, "Illegal folder name.");
  ExpectNoError(program);
  EXPECT_TRUE(IsWindowVisible(config));
  const std::string enableSource = "DG 1 DAT 0x0009 MSG 0x0502";
  EXPECT_EQ(trace.Contents().find(enableSource), std::string::npos) << "a scan started";
  EXPECT_EQ(settings.Number("XferCount", 99), 0u) << "nothing saved while the dialog is open";

  // Valid values: the dialog closes, the settings are saved and two of the three pages arrive.
  ASSERT_TRUE(program.SetEditText(basic, IDC_PATH, scans));
  ASSERT_TRUE(program.PressButton(config, IDC_CONFIG_ACQUIRE));
  EXPECT_TRUE(e2e::WaitFor([&] { return Exists(scans + "IMAGE002.TIF") && program.MdiChildTitles().size() == 2; },
                           60000));
  ASSERT_TRUE(e2e::WaitFor([&] { return settings.Number("FileIdNumber", 0) == 3; }, 30000))
      << "the scan did not end";
  EXPECT_EQ(settings.Number("XferCount", 0), 2u);
  EXPECT_TRUE(Exists(scans + "IMAGE001.TIF"));
  EXPECT_FALSE(Exists(scans + "IMAGE003.TIF"));
  EXPECT_EQ(program.FindAnyDialog(), nullptr);

  // From an image window the command opens the same dialog.
  ASSERT_TRUE(program.WaitUntilIdle());
  HWND client = FindWindowExA(program.MainWindow(), nullptr, "MDIClient", nullptr);
  HWND child = client ? GetWindow(client, GW_CHILD) : nullptr;
  HWND view = child ? GetWindow(child, GW_CHILD) : nullptr;
  ASSERT_NE(view, nullptr);
  PostMessageA(view, WM_COMMAND, MAKEWPARAM(ID_CONFIGURATION, 0), 0);
  config = program.WaitForDialog(kConfigurationCaption);
  ASSERT_NE(config, nullptr) << "command 1096 from an image window opened nothing";
  EXPECT_EQ(ItemText(PageWith(config, IDC_MECH_NATIVE), IDC_PAGE_COUNT), "2");
  ASSERT_TRUE(program.PressButton(config, IDCANCEL));

  EXPECT_TRUE(program.ClosesCleanly());
  DeleteFileA(notAFolder.c_str());
}

TEST(FolderPicker, StartsAtTheStoredFolderAndReturnsTheChosenOneWithABackslash) {
  const std::string start = CreatedFolder("C:\\quill_e2e_start");
  CreatedFolder("C:\\scans");
  e2e::ProgramSettings settings(ValuesWith({{"Destination", 1}, {"FilePath", 0, start.c_str()}}));
  e2e::ProgramDriver program;
  HWND config = StartAndConfigure(program);
  ASSERT_NE(config, nullptr);
  HWND basic = PageWith(config, IDC_MECH_NATIVE);
  ASSERT_TRUE(program.SetEditText(basic, IDC_PATH, "C:\\typed_but_not_confirmed"));
  ASSERT_TRUE(program.PressButton(basic, IDC_CHOOSE_FOLDER, false));
  HWND picker = program.WaitForDialog("Select directory");
  ASSERT_NE(picker, nullptr);
  EXPECT_EQ(_stricmp(ItemText(picker, kCurrentFolder).c_str(), start.c_str()), 0)
      << "starts at " << ItemText(picker, kCurrentFolder);
  EXPECT_EQ(ItemText(picker, kFolderLabel), "&Folder:");
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(picker, kFileNameEdit)));
  EXPECT_FALSE(IsWindowVisible(GetDlgItem(picker, kFileList)));
  EXPECT_TRUE(IsWindowVisible(GetDlgItem(picker, kFolderList)));
  SaveShot(picker, "config_folder_picker.bmp");

  // Up to the root, then into scans, as a double-click on each line does.
  for (const char* line : {"[..]", "[scans]"}) {
    ASSERT_TRUE(program.SelectListLine(picker, kFolderList, line)) << line;
    DWORD_PTR result = 0;
    SendMessageTimeoutA(picker, WM_COMMAND, MAKEWPARAM(kFolderList, LBN_DBLCLK),
                        reinterpret_cast<LPARAM>(GetDlgItem(picker, kFolderList)), SMTO_NORMAL, 5000, &result);
  }
  EXPECT_EQ(_stricmp(ItemText(picker, kCurrentFolder).c_str(), "C:\\scans"), 0) << ItemText(picker, kCurrentFolder);
  ASSERT_TRUE(program.PressButton(picker, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(_stricmp(ItemText(basic, IDC_PATH).c_str(), "C:\\scans\\"), 0) << ItemText(basic, IDC_PATH);
  ASSERT_TRUE(program.PressButton(config, IDOK));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(_stricmp(StoredValues()["FilePath"].bytes.c_str(), "C:\\scans\\"), 0);

  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
