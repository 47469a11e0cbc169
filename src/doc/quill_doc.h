// The image document: one image as a DIB in a global memory block, the facts the view and the
// information dialog show about it, and the palette built from it.
#pragma once

#include <windows.h>

#include <string>

#include "framework/document.h"
#include "image/win_handles.h"

namespace quill {

class CQuillDoc : public qfw::Document {
 public:
  CQuillDoc() = default;

  // Takes ownership of `dib` (may be none), freeing the DIB held so far. Nothing else changes
  // until UpdateDibInfo.
  void AdoptDib(HGLOBAL dib);
  // Width, height, bit count, file size and palette from the current DIB. A DIB whose
  // dimensions are beyond 2,147,483,647 is freed and reported.
  void UpdateDibInfo();

  HGLOBAL GetDibHandle() const { return DibHandle.get(); }
  HPALETTE GetPalette() const { return Palette.get(); }

  // The close-time question for a modified document; false keeps it open.
  bool ConfirmSaveIfModified();
  bool SaveUnderCurrentName();
  // Saves to `path`, or to a name asked for with the save dialog when `path` is null. `replace`
  // makes the saved file the document's file.
  bool SaveWithPrompt(const char* path, bool replace);
  // Writes the image to `path`: TIFF when the name ends in ".TIF" (any case), else BMP.
  virtual bool SaveToFile(const char* path);
  // The TIFF writer's part of SaveToFile: 1 when `path` was written.
  virtual int WriteTiff(const char* path);

  // Reads a BMP file; false after telling the user why not.
  bool LoadFromFile(const char* path);

  bool OnOpenDocument(const char* path) override { return LoadFromFile(path); }
  bool SaveModified() override { return ConfirmSaveIfModified(); }
  // Save As.
  bool OnCommand(UINT id) override;

  GlobalBlock DibHandle;
  ScopedPalette Palette;
  LONG ImageWidth = 1;
  LONG ImageHeight = 1;
  WORD BitCount = 0;
  LONG FileSize = 0;
};

// Whether `path` is saved as TIFF: the first ".TIF" in it, in any case, ends the name.
bool IsTiffFileName(const std::string& path);

// The name offered when a document without a file is saved: `title` up to its first blank, '#',
// '%', ';', '/' or backslash, followed by `extension`.
std::string ProposedSaveName(const std::string& title, const std::string& extension);

}  // namespace quill
