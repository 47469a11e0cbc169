// Scans from the menu as a user makes them: pages shown in image windows that ask before they
// are lost, and pages written to numbered files in every format and compression (the files are
// compared with the scanner's pages after this executable), numbered on across acquisitions.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tests/e2e/driver/prefix_fixtures.h"
#include "tests/e2e/driver/program_driver.h"
#include "res/resource.h"

namespace {

const char kAppTitle[] = "TWAIN Tessel Utility (32)";

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Numbered(const std::string& folder, int number, const char* extension) {
  char name[32];
  std::snprintf(name, sizeof name, "IMAGE%03d%s", number, extension);
  return folder + name;
}

// A folder of its own for one run's files, emptied first. Those under "scans" are compared with
// the scanner's pages after the run.
std::string CleanFolder(const std::string& name, const char* rootName = "scans") {
  const std::string root = e2e::ExeFolder() + rootName + "\\";
  CreateDirectoryA(root.c_str(), nullptr);
  const std::string folder = root + name + "\\";
  CreateDirectoryA(folder.c_str(), nullptr);
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + "*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do DeleteFileA((folder + found.cFileName).c_str());
    while (FindNextFileA(search, &found));
    FindClose(search);
  }
  return folder;
}

bool AcquireAndWait(e2e::ProgramDriver& program) {
  program.PostCommand(ID_ACQUIRE);
  // The Acquire item is grayed while the scan runs and enabled again at its end.
  e2e::WaitFor([&] { return (program.MenuItemState(ID_ACQUIRE) & MF_GRAYED) != 0; }, 3000);
  return e2e::WaitFor([&] {
    const int state = program.MenuItemState(ID_ACQUIRE);
    return state != -1 && (state & MF_GRAYED) == 0;
  }, 120000);
}

TEST(ScanToWindows, ThreePagesOpenThreeModifiedWindowsThatAskBeforeTheyAreLost) {
  e2e::ProgramSettings settings({{"ShowUI", 0}, {"Destination", 0}, {"ScanMech", 0}, {"PaperSupply", 1}});
  e2e::ScannerScenario scenario("pages = 3\n");
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_TRUE(AcquireAndWait(program));
  std::vector<std::string> titles = program.MdiChildTitles();
  std::sort(titles.begin(), titles.end());
  EXPECT_EQ(titles, (std::vector<std::string>{"IMAGE1", "IMAGE2", "IMAGE3"}));
  EXPECT_EQ(GetForegroundWindow(), program.MainWindow()) << "the window active before the scan";

  // Each window was fitted to its page: larger than the frame, so as large as the frame allows.
  RECT client = {};
  GetClientRect(program.MainWindow(), &client);
  MapWindowPoints(program.MainWindow(), nullptr, reinterpret_cast<POINT*>(&client), 2);
  HWND mdiClient = FindWindowExA(program.MainWindow(), nullptr, "MDIClient", nullptr);
  for (HWND child = GetWindow(mdiClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    RECT window = {};
    GetWindowRect(child, &window);
    EXPECT_EQ(window.right, client.right);
    EXPECT_EQ(window.bottom, client.bottom);
  }

  // Closing IMAGE1 asks; Cancel keeps it.
  HWND first = nullptr;
  for (HWND child = GetWindow(mdiClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char text[64] = "";
    GetWindowTextA(child, text, sizeof text);
    if (std::string(text) == "IMAGE1") first = child;
  }
  ASSERT_NE(first, nullptr);
  PostMessageA(first, WM_CLOSE, 0, 0);
  HWND question = program.WaitForDialog(kAppTitle);
  ASSERT_NE(question, nullptr) << "closing a scanned page asked nothing";
  const std::vector<std::string> texts = program.DialogTexts(question);
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Save changes to IMAGE1?"), texts.end());
  ASSERT_TRUE(program.PressButton(question, IDCANCEL));
  ASSERT_TRUE(program.WaitUntilIdle());
  EXPECT_EQ(program.MdiChildTitles().size(), 3u);

  // Exit asks once for every page; No to each lets the program end.
  program.PostCommand(ID_APP_EXIT);
  int asked = 0;
  while (HWND next = program.WaitForDialog(kAppTitle, 5000)) {
    ++asked;
    ASSERT_TRUE(program.PressButton(next, IDNO));
    if (asked > 5) break;
  }
  EXPECT_EQ(asked, 3);
  DWORD exitCode = 1;
  EXPECT_TRUE(program.WaitForExit(10000, &exitCode));
  EXPECT_EQ(exitCode, 0u);
}

struct FileJob {
  const char* name;
  DWORD scanMech;
  DWORD fileFormat;
  DWORD compress;
};

// The settings of a job that writes every page of the feeder to a numbered file from number 1 in
// `folder`, and shows none.
std::vector<e2e::ProgramSettings::Value> FilesOnly(const FileJob& job, const std::string& folder) {
  return {{"ShowUI", 0},
          {"Destination", 1},
          {"ScanMech", job.scanMech},
          {"FileFormat", job.fileFormat},
          {"Compress", job.compress},
          {"PaperSupply", 1},
          {"FileIdNumber", 1},
          {"FilePath", 0, folder.c_str()}};
}

class ScanToFiles : public ::testing::TestWithParam<FileJob> {};

TEST_P(ScanToFiles, TwelvePagesGoToNumberedFilesAndTheNextScanGoesOn) {
  const FileJob& job = GetParam();
  const std::string folder = CleanFolder(job.name);
  const std::string extension = job.fileFormat == 1 ? ".TIF" : ".BMP";
  e2e::ProgramSettings settings(FilesOnly(job, folder));
  {
    e2e::ScannerScenario scenario("pages = 12\n");
    e2e::ProgramDriver program;
    ASSERT_TRUE(program.Start());
    ASSERT_TRUE(program.WaitUntilIdle());
    ASSERT_TRUE(AcquireAndWait(program));
    EXPECT_EQ(program.FindAnyDialog(), nullptr);
    EXPECT_TRUE(program.MdiChildTitles().empty()) << "files only: no windows";
    for (int n = 1; n <= 12; ++n) EXPECT_TRUE(Exists(Numbered(folder, n, extension.c_str()))) << n;
    EXPECT_FALSE(Exists(Numbered(folder, 13, extension.c_str())));
    EXPECT_EQ(settings.Number("FileIdNumber", 0), 13u);
    EXPECT_TRUE(program.ClosesCleanly());
  }
  // A second acquisition, in a later run of the program, goes on at 13.
  const std::string later = CleanFolder(std::string(job.name) + "_continued");
  std::ofstream(later + "first_page_number") << "13";
  e2e::ProgramSettings laterFolder({{"FilePath", 0, later.c_str()}});
  e2e::ScannerScenario scenario("pages = 1\n");
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_TRUE(AcquireAndWait(program));
  EXPECT_TRUE(Exists(Numbered(later, 13, extension.c_str())));
  EXPECT_EQ(settings.Number("FileIdNumber", 0), 14u);
  EXPECT_TRUE(program.ClosesCleanly());
}

INSTANTIATE_TEST_SUITE_P(EachFormat, ScanToFiles,
                         ::testing::Values(FileJob{"bmp_native", 0, 0, 0}, FileJob{"tif_none", 1, 1, 0},
                                           FileJob{"tif_g31d", 1, 1, 1}, FileJob{"tif_g31deol", 1, 1, 2},
                                           FileJob{"tif_g32d", 1, 1, 3}, FileJob{"tif_g4", 1, 1, 4},
                                           FileJob{"tif_g4_file_mode", 2, 1, 4}),
                         [](const ::testing::TestParamInfo<FileJob>& info) { return std::string(info.param.name); });

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Files of `folder` matching `pattern`.
int CountFiles(const std::string& folder, const char* pattern) {
  int count = 0;
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((folder + pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return 0;
  do ++count;
  while (FindNextFileA(search, &found));
  FindClose(search);
  return count;
}

class OverwriteWithAHeldFile : public ::testing::TestWithParam<FileJob> {};

// Three old files, the last held open without sharing by this process so that nothing can replace
// it. Yes to ALL replaces the first two; the third is reported by name, stays as it was, and its
// new page is kept beside it. Nothing of the old files is deleted, and no temporary file is left.
TEST_P(OverwriteWithAHeldFile, YesToAllReportsTheHeldFileAndKeepsBothItAndTheNewPage) {
  const FileJob& job = GetParam();
  const char* extension = job.fileFormat == 1 ? ".TIF" : ".BMP";
  // Not under "scans": the old files are no pages of the scanner.
  const std::string folder = CleanFolder(job.name, "overwrite");
  for (int n = 1; n <= 3; ++n) std::ofstream(Numbered(folder, n, extension), std::ios::binary) << "old page " << n;
  const std::string held = Numbered(folder, 3, extension);
  const std::string kept = folder + "IMAGE003~1" + extension;
  e2e::ProgramSettings settings(FilesOnly(job, folder));
  e2e::ScannerScenario scenario("pages = 3\n");
  HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);

  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  program.PostCommand(ID_ACQUIRE);
  HWND question = program.WaitForDialog("Confirm overwrite", 60000);
  ASSERT_NE(question, nullptr) << "the first existing file was not asked about";
  const std::vector<std::string> asked = program.DialogTexts(question);
  EXPECT_NE(std::find(asked.begin(), asked.end(),
                      Numbered(folder, 1, extension) + "\nFile already exist, do you wish to overwrite?"),
            asked.end());
  ASSERT_TRUE(program.PressButton(question, 1012));  // "Yes to ALL"

  HWND failure = nullptr;
  ASSERT_TRUE(e2e::WaitFor([&] { return (failure = program.FindAnyDialog()) != nullptr; }, 60000))
      << "the file that could not be replaced was not reported";
  const std::vector<std::string> texts = program.DialogTexts(failure);
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      held + "\nFile save failure.\nThe old file is unchanged; the new one was kept as " + kept + "."),
            texts.end())
      << (texts.empty() ? std::string("(no text)") : texts.front());
  ASSERT_TRUE(program.PressButton(failure, IDOK));
  ASSERT_TRUE(e2e::WaitFor([&] {
    const int state = program.MenuItemState(ID_ACQUIRE);
    return state != -1 && (state & MF_GRAYED) == 0;
  }, 60000)) << "the scan did not end";
  EXPECT_EQ(program.FindAnyDialog(), nullptr) << "more than the one failure was reported";
  CloseHandle(holder);

  EXPECT_EQ(FileText(held), "old page 3") << "the held file was changed";
  const char* magic = job.fileFormat == 1 ? "II" : "BM";
  for (const std::string& written : {Numbered(folder, 1, extension), Numbered(folder, 2, extension), kept}) {
    const std::string bytes = FileText(written);
    EXPECT_GT(bytes.size(), 1000u) << written;
    EXPECT_EQ(bytes.substr(0, 2), magic) << written << " is not a new page";
  }
  EXPECT_EQ(CountFiles(folder, "*"), 4 + 2) << "only the three old names, the kept page, . and ..";
  EXPECT_EQ(settings.Number("FileIdNumber", 0), 4u);
  EXPECT_TRUE(program.ClosesCleanly());
}

INSTANTIATE_TEST_SUITE_P(FileAndNativeModes, OverwriteWithAHeldFile,
                         ::testing::Values(FileJob{"file_mode_tif", 2, 1, 0}, FileJob{"native_bmp", 0, 0, 0}),
                         [](const ::testing::TestParamInfo<FileJob>& info) { return std::string(info.param.name); });

// Destination 2 in file mode: every page the source wrote as a TIFF file is read and shown.
TEST(ScanToTiffFiles, FileModeWithDisplayShowsEveryPage) {
  const std::string folder = CleanFolder("tif_file_mode_shown");
  e2e::ProgramSettings settings({{"ShowUI", 0},
                                 {"Destination", 2},
                                 {"ScanMech", 2},
                                 {"FileFormat", 1},
                                 {"Compress", 4},
                                 {"PaperSupply", 1},
                                 {"FileIdNumber", 1},
                                 {"FilePath", 0, folder.c_str()}});
  e2e::ScannerScenario scenario("pages = 3\n");
  e2e::ProgramDriver program;
  ASSERT_TRUE(program.Start());
  ASSERT_TRUE(program.WaitUntilIdle());
  ASSERT_TRUE(AcquireAndWait(program));
  EXPECT_EQ(program.FindAnyDialog(), nullptr) << "a page was not read";
  const std::vector<std::string> titles = program.MdiChildTitles();
  EXPECT_EQ(titles.size(), 3u) << "every page in a window";
  for (const std::string& title : titles) {
    EXPECT_NE(title.find(".TIF"), std::string::npos) << title;
  }
  EXPECT_TRUE(program.ClosesCleanly());
}

}  // namespace
