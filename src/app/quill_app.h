// The application object: start-up in the user's language, a single running copy, exit.
#pragma once

#include <string>

#include "framework/application.h"

namespace quill {

class CQuillApp : public qfw::Application {
 public:
  bool InitInstance() override;
  int ExitInstance() override;
  bool OnCommand(UINT id) override;

  // File Open: a BMP file through its document, a TIFF file through the TIFF reader.
  void OnFileOpenImage();
  // The About box over the main window.
  void OnAppAbout();
  // Size, depth and storage size of the active image; reached by a posted command only, as no
  // menu carries it.
  void OnImageInformation();
  // The Configuration dialog over the main window; OK stores its values and saves them.
  void OnConfiguration();
};

// The extension of the file name in `path` (after its last dot) in upper case; empty without one.
std::string UpperCaseExtension(const std::string& path);

}  // namespace quill
