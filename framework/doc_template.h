// A document type: its resource id names the document string, the menu and the accelerator
// table that its windows use.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "handles.h"

namespace qfw {

class DocTemplate {
 public:
  // The "\n"-separated parts of the document string, in order.
  enum DocStringIndex {
    kWindowTitle,
    kDocName,
    kFileNewName,
    kFilterName,
    kFilterExt,
    kRegFileTypeId,
    kRegFileTypeName,
  };

  explicit DocTemplate(UINT resourceId);
  virtual ~DocTemplate() = default;

  // Loads the document string, menu and accelerator table from `resources`. False when the
  // document string or the menu is missing.
  bool Load(HINSTANCE resources);

  // One part of the document string; false (and an empty text) when the string has no such part.
  bool GetDocString(std::string& text, DocStringIndex index) const;

  UINT ResourceId() const { return resourceId_; }
  HMENU Menu() const { return menu_.get(); }
  HACCEL Accelerators() const { return accelerators_; }

  // Opens a file as a document of this type. The template learns documents, windows and views
  // with the image document; until then it opens nothing.
  virtual bool OpenDocumentFile(const char* path);

 private:
  UINT resourceId_;
  std::vector<std::string> docStrings_;
  UniqueMenu menu_;
  HACCEL accelerators_ = nullptr;  // owned by the resource module, freed with it
};

// Splits a document string at each "\n"; blanks are kept ("BmpFileType  " stays as it is).
std::vector<std::string> SplitDocString(const std::string& text);

}  // namespace qfw
