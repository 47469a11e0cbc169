// The Configuration dialog's pages and the filename rule dialog as a user drives them: clicks,
// list choices and typed characters sent as messages to real dialogs of this process, checked
// against the controls' states, the working copies and the messages shown.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "config/config_dialog.h"
#include "config/filename_rule_dialog.h"
#include "framework/message_box.h"
#include "res/resource.h"

namespace quill {
namespace {

struct Shown {
  std::string text;
  std::string caption;
  bool operator==(const Shown& other) const { return text == other.text && caption == other.caption; }
};

class RecordingPresenter : public qfw::MessagePresenter {
 public:
  int Show(HWND, const char* text, const char* caption, UINT) override {
    shown.push_back({text, caption ? caption : ""});
    // What the message box's own loop may run meanwhile, such as the main window closing.
    if (whileShown) DestroyWindow(std::exchange(whileShown, nullptr));
    return IDOK;
  }
  std::vector<Shown> shown;
  HWND whileShown = nullptr;  // destroyed while the first message is shown
};

const Shown kIllegalValue = {"Illegal value is specified.", "Error"};
const Shown kIllegalFolder = {"Illegal folder name.", "Error"};

// A visible top-level window that owns what a test creates, destroyed with everything below it.
class Host {
 public:
  Host() {
    window_ = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 600, 450, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
    if (!window_) ADD_FAILURE() << "no host window: " << GetLastError();
  }
  ~Host() {
    if (window_) DestroyWindow(window_);
  }
  Host(const Host&) = delete;
  Host& operator=(const Host&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_ = nullptr;
};

std::string Text(HWND dialog, int id) {
  char text[300] = "";
  GetDlgItemTextA(dialog, id, text, sizeof text);
  return text;
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

// A user's choice in a drop-down list: the selection, then the notification its dialog gets.
void Choose(HWND dialog, int id, int index) {
  HWND list = GetDlgItem(dialog, id);
  SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

std::vector<std::string> ListItems(HWND dialog, int id) {
  std::vector<std::string> items;
  const LRESULT count = SendDlgItemMessageA(dialog, id, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[64] = "";
    SendDlgItemMessageA(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

LRESULT Selection(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0); }

// Characters typed into an edit, after its whole text was selected.
void TypeOver(HWND dialog, int id, const std::string& characters) {
  HWND edit = GetDlgItem(dialog, id);
  SendMessageA(edit, EM_SETSEL, 0, -1);
  for (char c : characters) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 0);
}

LRESULT Limit(HWND dialog, int id) { return SendDlgItemMessageA(dialog, id, EM_GETLIMITTEXT, 0, 0); }

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// A folder and a file beside it, made for one test and removed after it.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    folder_ = std::string(temp) + "quill_config_test";
    CreateDirectoryA(folder_.c_str(), nullptr);
    file_ = folder_ + "\\not_a_folder.txt";
    HANDLE file = CreateFileA(file_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) ADD_FAILURE() << "cannot create " << file_;
    else CloseHandle(file);
  }
  ~ScratchFolder() {
    DeleteFileA(file_.c_str());
    RemoveDirectoryA(folder_.c_str());
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& folder() const { return folder_; }
  const std::string& file() const { return file_; }

 private:
  std::string folder_, file_;
};

std::string WithSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

TEST(BasicPage, EnablingRulesHandlersAndReadBack) {
  ScratchFolder scratch;
  ScanSettings settings(GetModuleHandleA(nullptr));
  settings.ScanMech = 1;
  settings.Destination = 1;
  settings.FileFormat = 1;
  settings.Compress = 3;
  settings.KFactor = 0x12345;  // kept to 16 bits: 0x2345
  settings.ShowUI = 0;
  settings.PaperSupply = 2;
  settings.XferCount = 7;
  Host host;
  BasicPage page;
  page.CopyFrom(settings);
  HWND dialog = page.Create(host.get());
  ASSERT_NE(dialog, nullptr);
  page.Fill();
  ShowWindow(dialog, SW_SHOW);

  // TIFF with G3(2D): the K factor is enabled but cannot be typed into.
  EXPECT_EQ(Text(dialog, IDC_KFACTOR), "9029");
  EXPECT_TRUE(Enabled(dialog, IDC_KFACTOR));
  EXPECT_TRUE(Enabled(dialog, IDC_KFACTOR_LABEL));
  EXPECT_NE(GetWindowLongA(GetDlgItem(dialog, IDC_KFACTOR), GWL_STYLE) & ES_READONLY, 0);
  EXPECT_EQ(Text(dialog, IDC_SAMPLE_NAME), "IMAGE$$$.TIF");
  EXPECT_EQ(Text(dialog, IDC_PAGE_COUNT), "7");
  page.ReadBack();
  ScanSettings out(GetModuleHandleA(nullptr));
  page.CopyTo(out);
  EXPECT_EQ(out.KFactor, 0x2345);

  // File transfer: "File" alone and forced; Native again keeps it among the three.
  Click(dialog, IDC_MECH_FILE);
  EXPECT_EQ(ListItems(dialog, IDC_OUTPUT), std::vector<std::string>{"File"});
  EXPECT_EQ(page.m_Destination, 1);
  Choose(dialog, IDC_OUTPUT, 0);
  EXPECT_EQ(page.m_Destination, 1) << "a file transfer goes to a file";
  Click(dialog, IDC_MECH_NATIVE);
  EXPECT_EQ(ListItems(dialog, IDC_OUTPUT), (std::vector<std::string>{"Display", "File", "Display + File"}));
  EXPECT_EQ(Selection(dialog, IDC_OUTPUT), 1);
  EXPECT_EQ(page.m_ScanMech, 0);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_MECH_NATIVE), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_MECH_FILE), BST_UNCHECKED);

  // Display: no file controls, no compression; back to files in BMP: still none.
  Choose(dialog, IDC_OUTPUT, 0);
  EXPECT_FALSE(Enabled(dialog, IDC_PATH));
  EXPECT_FALSE(Enabled(dialog, IDC_NAME_RULE));
  EXPECT_FALSE(Enabled(dialog, IDC_COMPRESSION));
  EXPECT_EQ(Selection(dialog, IDC_COMPRESSION), 0);
  EXPECT_EQ(page.m_Compress, 0);
  Choose(dialog, IDC_OUTPUT, 2);
  Choose(dialog, IDC_FORMAT, 0);
  EXPECT_TRUE(Enabled(dialog, IDC_PATH));
  EXPECT_FALSE(Enabled(dialog, IDC_COMPRESSION));
  EXPECT_EQ(Text(dialog, IDC_SAMPLE_NAME), "IMAGE$$$.BMP");
  Choose(dialog, IDC_FORMAT, 1);
  EXPECT_TRUE(Enabled(dialog, IDC_COMPRESSION));
  EXPECT_FALSE(Enabled(dialog, IDC_KFACTOR));
  Choose(dialog, IDC_COMPRESSION, 3);
  EXPECT_TRUE(Enabled(dialog, IDC_KFACTOR));
  Choose(dialog, IDC_COMPRESSION, 4);
  EXPECT_FALSE(Enabled(dialog, IDC_KFACTOR));
  EXPECT_EQ(page.m_Compress, 4);

  // The page count: letters have no effect; a count typed under ADF(G) survives a visit to
  // ADF (All Pages), and a visit to Flat Bed brings back the one remembered before.
  TypeOver(dialog, IDC_PAGE_COUNT, "4x2y");
  EXPECT_EQ(Text(dialog, IDC_PAGE_COUNT), "42");
  Click(dialog, IDC_ADF_ALL);
  EXPECT_FALSE(Enabled(dialog, IDC_PAGE_COUNT));
  Click(dialog, IDC_ADF_COUNT);
  EXPECT_EQ(Text(dialog, IDC_PAGE_COUNT), "42");
  TypeOver(dialog, IDC_PAGE_COUNT, "17");
  Click(dialog, IDC_FLATBED);
  EXPECT_EQ(page.m_PaperSupply, 0);
  EXPECT_FALSE(Enabled(dialog, IDC_PAGES_LABEL));
  Click(dialog, IDC_ADF_COUNT);
  EXPECT_EQ(Text(dialog, IDC_PAGE_COUNT), "42");
  TypeOver(dialog, IDC_PAGE_COUNT, "\b");
  EXPECT_EQ(Text(dialog, IDC_PAGE_COUNT), "") << "backspace gets through";

  // The source's own dialog decides the paper supply.
  Click(dialog, IDC_SHOW_UI);
  EXPECT_EQ(page.m_ShowUI, 1);
  for (int id : {IDC_PAPER_GROUP, IDC_FLATBED, IDC_ADF_ALL, IDC_ADF_COUNT, IDC_PAGE_COUNT, IDC_PAGES_LABEL}) {
    EXPECT_FALSE(Enabled(dialog, id)) << id;
  }
  Click(dialog, IDC_SHOW_UI);
  for (int id : {IDC_PAPER_GROUP, IDC_FLATBED, IDC_ADF_ALL, IDC_ADF_COUNT, IDC_PAGE_COUNT, IDC_PAGES_LABEL}) {
    EXPECT_TRUE(Enabled(dialog, id)) << id;
  }

  // The folder: slashes become backslashes; only an existing folder passes.
  SetDlgItemTextA(dialog, IDC_PATH, WithSlashes(scratch.folder()).c_str());
  TypeOver(dialog, IDC_PAGE_COUNT, "3");
  page.ReadBack();
  EXPECT_TRUE(page.CheckFolder());
  EXPECT_EQ(std::string(page.m_FilePath), scratch.folder());
  EXPECT_FALSE(page.FolderInvalid());
  for (const std::string& bad : {scratch.file(), scratch.folder() + "\\missing"}) {
    SetDlgItemTextA(dialog, IDC_PATH, bad.c_str());
    page.ReadBack();
    EXPECT_FALSE(page.CheckFolder()) << bad;
    EXPECT_TRUE(page.FolderInvalid());
  }
  page.CopyTo(out);
  EXPECT_EQ(out.XferCount, 3);
  EXPECT_EQ(out.Destination, 2);
  EXPECT_EQ(out.FileFormat, 1);
  EXPECT_EQ(out.Compress, 4);
  EXPECT_EQ(out.ScanMech, 0);
}

// One filename rule dialog over `host`, set up from the defaults (and a digit index).
struct RuleDialog {
  explicit RuleDialog(HWND host, WORD digitIndex = 2) {
    const ScanSettings defaults(GetModuleHandleA(nullptr));
    lstrcpynA(rule.m_Fixate, defaults.FileFixate, sizeof rule.m_Fixate);
    rule.m_Start = defaults.FileIdNumber;
    rule.m_DigitIndex = digitIndex;
    rule.m_Step = defaults.FileNumStep;
    window = rule.Create(host);
    if (!window) ADD_FAILURE() << "the filename rule dialog was not created";
    ShowWindow(window, SW_SHOW);
  }
  ~RuleDialog() {
    if (IsWindow(window)) DestroyWindow(window);
  }
  FilenameRuleDialog rule;
  HWND window = nullptr;
};

TEST(FilenameRule, SampleNamesDigitLimitsAndTheValueCheck) {
  EXPECT_EQ(SampleFileName("IMAGE", 2, 0), "IMAGE$$$.BMP");
  EXPECT_EQ(SampleFileName("PAGE", 4, 1), "PAGE$$$$$.TIF");
  EXPECT_EQ(SampleFileName("", 0, 7), "$.TIF");
  EXPECT_EQ(SampleFileName("", 0x7FFFFFFF, 0).size(), 264u) << "a stored digit count is not believed";
  Host host;
  RecordingPresenter presenter;
  qfw::ScopedMessagePresenter scope(presenter);
  {
    RuleDialog dialog(host.get());
    EXPECT_EQ(Text(dialog.window, IDC_RULE_FIXATE), "IMAGE");
    EXPECT_EQ(ListItems(dialog.window, IDC_RULE_DIGITS), (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(Selection(dialog.window, IDC_RULE_DIGITS), 2);
    EXPECT_EQ(Text(dialog.window, IDC_RULE_START), "1");
    EXPECT_EQ(Limit(dialog.window, IDC_RULE_START), 3);
    EXPECT_EQ(Limit(dialog.window, IDC_RULE_FIXATE), 246);
    TypeOver(dialog.window, IDC_RULE_START, "0");
    TypeOver(dialog.window, IDC_RULE_STEP, "0");
    SendMessageA(dialog.window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(dialog.rule.Result(), IDOK) << "start 0 and step 0 are accepted";
    EXPECT_EQ(dialog.rule.m_Start, 0u);
    EXPECT_EQ(dialog.rule.m_Step, 0u);
  }
  {
    RuleDialog dialog(host.get());
    Choose(dialog.window, IDC_RULE_DIGITS, 4);
    EXPECT_EQ(Limit(dialog.window, IDC_RULE_STEP), 5);
    TypeOver(dialog.window, IDC_RULE_START, "99999");
    TypeOver(dialog.window, IDC_RULE_STEP, "9a9b999");
    EXPECT_EQ(Text(dialog.window, IDC_RULE_STEP), "99999");
    SetDlgItemTextA(dialog.window, IDC_RULE_FIXATE, "SCAN");
    SendMessageA(dialog.window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(dialog.rule.Result(), IDOK);
    EXPECT_EQ(dialog.rule.m_Start, 99999u);
    EXPECT_EQ(dialog.rule.m_Step, 99999u);
    EXPECT_EQ(dialog.rule.m_DigitIndex, 4);
    EXPECT_STREQ(dialog.rule.m_Fixate, "SCAN");
  }
  EXPECT_TRUE(presenter.shown.empty());
  {
    // Lowering the digits does not cut what was typed; OK refuses it and stays.
    RuleDialog dialog(host.get());
    Choose(dialog.window, IDC_RULE_DIGITS, 4);
    TypeOver(dialog.window, IDC_RULE_START, "12345");
    Choose(dialog.window, IDC_RULE_DIGITS, 1);
    EXPECT_EQ(Text(dialog.window, IDC_RULE_START), "12345");
    SendMessageA(dialog.window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(presenter.shown, std::vector<Shown>{kIllegalValue});
    EXPECT_EQ(dialog.rule.Result(), 0) << "the dialog stays open";
    EXPECT_TRUE(IsWindowVisible(dialog.window));
    SendMessageA(dialog.window, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(dialog.rule.Result(), IDCANCEL);
  }
  {
    // A digit count from the registry outside the list: nothing chosen, nothing accepted.
    presenter.shown.clear();
    RuleDialog dialog(host.get(), 9);
    EXPECT_EQ(Selection(dialog.window, IDC_RULE_DIGITS), CB_ERR);
    SendMessageA(dialog.window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(presenter.shown, std::vector<Shown>{kIllegalValue});
    EXPECT_EQ(dialog.rule.Result(), 0);
    Choose(dialog.window, IDC_RULE_DIGITS, 0);
    SendMessageA(dialog.window, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(dialog.rule.Result(), IDOK);
    EXPECT_EQ(dialog.rule.m_DigitIndex, 0);
  }
}

// A Configuration dialog over `host`, opened on settings that go to files in `folder`.
struct Configuration {
  Configuration(HWND host, const std::string& folder, LONG paperSupply, LONG count) {
    ScanSettings settings(GetModuleHandleA(nullptr));
    settings.Destination = 1;
    settings.ShowUI = 0;
    settings.PaperSupply = paperSupply;
    settings.XferCount = count;
    lstrcpynA(settings.FilePath, folder.c_str(), sizeof settings.FilePath);
    dialog.CopyFrom(settings);
    window = dialog.Create(host);
    if (!window) ADD_FAILURE() << "the Configuration dialog was not created";
    ShowWindow(window, SW_SHOW);
  }
  ~Configuration() {
    if (IsWindow(window)) DestroyWindow(window);
  }
  void Acquire() const { SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDC_CONFIG_ACQUIRE, BN_CLICKED), 0); }
  ConfigDialog dialog;
  HWND window = nullptr;
};

// Acquire commands posted to `owner` (NULL: any window of this thread) since the last call.
int PostedAcquires(HWND owner) {
  int count = 0;
  MSG message;
  while (PeekMessageA(&message, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
    if (LOWORD(message.wParam) == ID_ACQUIRE) ++count;
  }
  return count;
}

std::string TabText(HWND tabs, int index) {
  char text[64] = "";
  TCITEMA item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = sizeof text;
  SendMessageA(tabs, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  return text;
}

TEST(ConfigurationDialog, ChecksOnOkAndAcquireStartsOnlyWithValidValues) {
  ScratchFolder scratch;
  Host host;
  RecordingPresenter presenter;
  qfw::ScopedMessagePresenter scope(presenter);
  Configuration config(host.get(), scratch.folder() + "\\missing", 2, 0);
  ASSERT_NE(config.window, nullptr);
  HWND tabs = GetDlgItem(config.window, IDC_CONFIG_TABS);
  EXPECT_EQ(TabText(tabs, 0), "Basic Functions");
  EXPECT_EQ(TabText(tabs, 1), "Extend Functions");
  EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0);
  EXPECT_TRUE(IsWindowVisible(config.dialog.Basic().Handle()));
  EXPECT_FALSE(IsWindowVisible(config.dialog.Extend().Handle()));

  // Both checks fail: both messages, the page count first, and nothing starts.
  config.Acquire();
  EXPECT_EQ(presenter.shown, (std::vector<Shown>{kIllegalValue, kIllegalFolder}));
  EXPECT_EQ(GetFocus(), GetDlgItem(config.dialog.Basic().Handle(), IDC_PAGE_COUNT));
  EXPECT_EQ(config.dialog.Result(), 0);
  EXPECT_EQ(PostedAcquires(host.get()), 0);

  // A file where the folder should be: the folder message once, nothing starts.
  presenter.shown.clear();
  TypeOver(config.dialog.Basic().Handle(), IDC_PAGE_COUNT, "2");
  SetDlgItemTextA(config.dialog.Basic().Handle(), IDC_PATH, scratch.file().c_str());
  config.Acquire();
  EXPECT_EQ(presenter.shown, std::vector<Shown>{kIllegalFolder});
  EXPECT_EQ(config.dialog.Result(), 0);
  EXPECT_EQ(PostedAcquires(host.get()), 0);

  // Valid values: the dialog ends with OK and the acquisition is posted to its owner.
  presenter.shown.clear();
  SetDlgItemTextA(config.dialog.Basic().Handle(), IDC_PATH, scratch.folder().c_str());
  config.Acquire();
  EXPECT_TRUE(presenter.shown.empty());
  EXPECT_EQ(config.dialog.Result(), IDOK);
  EXPECT_EQ(PostedAcquires(host.get()), 1);
  ScanSettings out(GetModuleHandleA(nullptr));
  config.dialog.CopyTo(out);
  EXPECT_EQ(out.XferCount, 2);
  EXPECT_EQ(std::string(out.FilePath), scratch.folder());
}

TEST(ConfigurationDialog, CtrlTabStepsThroughThePagesFromAnywhereInside) {
  ScratchFolder scratch;
  Host host;
  Configuration config(host.get(), scratch.folder(), 1, 1);
  ASSERT_NE(config.window, nullptr);
  HWND tabs = GetDlgItem(config.window, IDC_CONFIG_TABS);
  BYTE saved[256] = {};
  GetKeyboardState(saved);
  // The keys as this thread sees them held: Ctrl (and Shift) while Tab goes down.
  auto pressTab = [&](HWND target, bool shift) {
    BYTE keys[256] = {};
    std::copy(std::begin(saved), std::end(saved), keys);
    keys[VK_CONTROL] = 0x80;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    PostMessageA(target, WM_KEYDOWN, VK_TAB, 1);
    Pump();
    SetKeyboardState(saved);
  };
  pressTab(GetDlgItem(config.dialog.Basic().Handle(), IDC_MECH_NATIVE), true);
  EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 1) << "Ctrl+Shift+Tab on the first tab: the last";
  EXPECT_TRUE(IsWindowVisible(config.dialog.Extend().Handle()));
  EXPECT_FALSE(IsWindowVisible(config.dialog.Basic().Handle()));
  EXPECT_EQ(GetFocus(), tabs);
  pressTab(GetDlgItem(config.dialog.Extend().Handle(), IDC_PROCESS), false);
  EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 0) << "Ctrl+Tab after the last: the first";
  EXPECT_TRUE(IsWindowVisible(config.dialog.Basic().Handle()));
  pressTab(tabs, false);
  EXPECT_EQ(SendMessageA(tabs, TCM_GETCURSEL, 0, 0), 1);
}

TEST(ConfigurationDialog, AnOwnerThatGoesWhileAMessageIsShownTakesTheDialogAlongAndStartsNothing) {
  ScratchFolder scratch;
  Host owner;
  RecordingPresenter presenter;
  qfw::ScopedMessagePresenter scope(presenter);
  Configuration config(owner.get(), scratch.folder() + "\\missing", 2, 0);
  ASSERT_NE(config.window, nullptr);
  presenter.whileShown = owner.get();
  config.Acquire();
  EXPECT_FALSE(IsWindow(config.window));
  EXPECT_EQ(presenter.shown, std::vector<Shown>{kIllegalValue}) << "nothing more is asked of a dialog that is gone";
  EXPECT_NE(config.dialog.Result(), IDOK);
  EXPECT_EQ(PostedAcquires(nullptr), 0) << "to no window of this thread";
}

}  // namespace
}  // namespace quill
