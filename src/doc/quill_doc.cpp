#include "doc/quill_doc.h"

#include <algorithm>
#include <cctype>

#include "framework/application.h"
#include "image/bmp_file.h"
#include "framework/file.h"
#include "framework/mdi_frame.h"
#include "framework/mdi_child.h"
#include "image/dib.h"
#include "framework/doc_template.h"
#include "framework/file_dialogs.h"
#include "framework/message_box.h"
#include "res/resource.h"
#include "framework/resources.h"
#include "image/tiff_writer.h"
#include "framework/wait_cursor.h"

namespace quill {
namespace {

const DWORD kLargestDimension = 2147483647u;
const char kSaveFilter[] = "Image File (*.bmp;*.tif)|*.bmp;*.tif||";
const char kDefaultExtension[] = ".bmp";

void ShowInformation(UINT textId) {
  const std::string text = qfw::LoadResourceString(textId);
  qfw::ShowMessageBox(nullptr, text.c_str(), nullptr, MB_OK | MB_ICONINFORMATION);
}

bool FileIsWritable(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

}  // namespace

bool IsTiffFileName(const std::string& path) {
  std::string upper = path;
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  const std::string::size_type found = upper.find(".TIF");
  return found != std::string::npos && upper.compare(found, std::string::npos, ".TIF") == 0;
}

std::string ProposedSaveName(const std::string& title, const std::string& extension) {
  std::string name = title.substr(0, title.find_first_of(" #%;/\\"));
  return name + extension;
}

void CQuillDoc::AdoptDib(HGLOBAL dib) { DibHandle.reset(dib); }

void CQuillDoc::UpdateDibInfo() {
  Palette.reset();
  if (!DibHandle) return;
  {
    GlobalLockGuard lock(DibHandle.get());
    if (!lock || lock.size() < sizeof(DWORD)) {
      DibHandle.reset();
      return;
    }
    const DWORD width = static_cast<DWORD>(GetDibWidth(lock.data()));
    const LONG height = GetDibHeight(lock.data());
    const DWORD absoluteHeight =
        height < 0 ? 0u - static_cast<DWORD>(height) : static_cast<DWORD>(height);
    if (width > kLargestDimension || absoluteHeight > kLargestDimension) {
      lock.unlock();
      DibHandle.reset();
      ShowInformation(IDS_FILE_TOO_LARGE);
      return;
    }
  }
  LockedDib locked(DibHandle.get());
  if (!locked) {
    // A header that does not fit its block is never drawn or saved.
    DibHandle.reset();
    return;
  }
  ImageWidth = locked.layout().width;
  ImageHeight = static_cast<LONG>(locked.layout().rowCount);
  BitCount = locked.layout().bitCount;
  FileSize = static_cast<LONG>(locked.layout().totalSize + sizeof(BITMAPFILEHEADER));
  CreatePaletteFromDib(DibHandle.get(), Palette);
}

bool CQuillDoc::ConfirmSaveIfModified() {
  if (!IsModified()) return true;
  std::string name = PathName();
  if (name.empty()) name = Title();
  if (name.empty()) name = qfw::LoadResourceString(IDS_FW_UNTITLED);
  std::string text = qfw::LoadResourceString(IDS_FW_ASK_TO_SAVE);
  const std::string::size_type placeholder = text.find("%1");
  if (placeholder != std::string::npos) text.replace(placeholder, 2, name);
  switch (qfw::ShowMessageBox(qfw::MainWindowHandle(), text.c_str(),
                              qfw::LoadResourceString(IDS_APP_TITLE).c_str(),
                              MB_YESNOCANCEL | MB_ICONEXCLAMATION)) {
    case IDCANCEL:
      return false;
    case IDNO:
      return true;
    default:
      return SaveUnderCurrentName();
  }
}

bool CQuillDoc::SaveUnderCurrentName() {
  if (PathName().empty() || !FileIsWritable(PathName())) return SaveWithPrompt(nullptr, false);
  return SaveWithPrompt(PathName().c_str(), false);
}

bool CQuillDoc::SaveWithPrompt(const char* path, bool replace) {
  std::string chosen;
  if (path) {
    chosen = path;
  } else {
    std::string extension;
    if (Template()) Template()->GetDocString(extension, qfw::DocTemplate::kFilterExt);
    if (!qfw::AskSaveFileName(qfw::MainWindowHandle(), kDefaultExtension,
                              ProposedSaveName(Title(), extension), kSaveFilter, chosen)) {
      return false;
    }
  }
  bool saved;
  {
    qfw::WaitCursor wait;
    saved = SaveToFile(chosen.c_str());
  }
  // A save that failed has changed no file: whatever the chosen name held is still there.
  if (saved && replace) SetPathName(chosen);
  return saved;
}

bool CQuillDoc::LoadFromFile(const char* path) {
  qfw::File file;
  DWORD error = ERROR_SUCCESS;
  if (!file.Open(path, qfw::File::Mode::kReadDenyWrite, &error)) {
    qfw::ReportFileError(error, path, IDS_FW_FAILED_TO_OPEN_DOC);
    return false;
  }
  {
    qfw::WaitCursor wait;
    try {
      AdoptDib(ReadBmpFileToDib(file).release());
    } catch (const qfw::FileException& failure) {
      file.Abort();
      AdoptDib(nullptr);
      qfw::ReportFileError(failure.error, path, IDS_FW_FAILED_TO_OPEN_DOC);
      return false;
    }
    UpdateDibInfo();
  }
  if (!DibHandle) {
    ShowInformation(IDS_FILE_LOAD_FAILURE);
    return false;
  }
  // Only the commands that open a user's file put it on the recent-file list: a transferred
  // page's temporary file is not one.
  SetPathName(path, false);
  SetModified(false);
  return true;
}

bool CQuillDoc::SaveToFile(const char* path) {
  // The file under `path` is replaced only by a whole new one: until then it stays as it was,
  // and a save that fails leaves nothing of its own behind.
  qfw::ReplacementFile output(path);
  DWORD error = ERROR_SUCCESS;
  if (!output.Create(&error)) {
    qfw::ReportFileError(error, path, IDS_FW_INVALID_FILENAME);
    return false;
  }
  int written = 0;
  {
    qfw::WaitCursor wait;
    try {
      if (IsTiffFileName(path)) {
        // TIFF files are written by the TIFF writer, which takes the path itself.
        written = WriteTiff(output.TemporaryPath().c_str());
      } else {
        qfw::File file;
        if (!file.Open(output.TemporaryPath(), qfw::File::Mode::kCreateReadWrite, &error)) {
          throw qfw::FileException{error, path};
        }
        written = WriteDibToBmpFile(DibHandle.get(), file);
        file.Close();
      }
    } catch (const qfw::FileException& failure) {
      qfw::ReportFileError(failure.error, path, IDS_FW_FAILED_TO_SAVE_DOC);
      return false;
    }
  }
  if (!written) {
    ShowInformation(IDS_FILE_SAVE_FAILURE);
    return false;
  }
  if (!output.Commit(&error)) {
    qfw::ReportFileError(error, path, IDS_FW_FAILED_TO_SAVE_DOC);
    return false;
  }
  SetModified(false);
  return true;
}

int CQuillDoc::WriteTiff(const char* path) { return WriteDibToTiff(DibHandle.get(), path, nullptr); }

bool CQuillDoc::OnCommand(UINT id) {
  if (id != ID_FILE_SAVE_AS) return false;
  std::string extension;
  std::string name = "IMAGE";
  if (Template()) {
    Template()->GetDocString(name, qfw::DocTemplate::kDocName);
    Template()->GetDocString(extension, qfw::DocTemplate::kFilterExt);
  }
  std::string path;
  if (!qfw::AskSaveFileName(qfw::MainWindowHandle(), kDefaultExtension, name + extension, kSaveFilter,
                            path)) {
    return true;
  }
  // The image saved is the active window's, which is this document's when the command came
  // through its view.
  CQuillDoc* active = this;
  qfw::Application* application = qfw::Application::Current();
  if (auto* frame = application ? dynamic_cast<qfw::MdiFrameWindow*>(application->MainWindow()) : nullptr) {
    if (qfw::MdiChildWindow* child = frame->ActiveChild()) {
      if (auto* document = dynamic_cast<CQuillDoc*>(child->GetDocument())) active = document;
    }
  }
  if (active->SaveToFile(path.c_str())) SetPathName(path);
  return true;
}

}  // namespace quill
