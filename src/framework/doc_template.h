// A document type: its resource id names the document string, the menu and the accelerator
// table that its windows use.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "framework/document.h"
#include "framework/handles.h"
#include "framework/mdi_child.h"
#include "framework/view.h"

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

  // A new document of this type in a new window of the main frame: empty (New) when `path` is
  // null, else read from `path`. The document, or null when it could not be made or read.
  virtual Document* OpenDocumentFile(const char* path);

  const std::vector<std::unique_ptr<Document>>& Documents() const { return documents_; }
  // How many empty documents were made; the next one is named after this count plus one.
  int UntitledCount() const { return untitledCount_; }
  // Asks every document's question; false as soon as one says no.
  bool SaveAllModified();
  // Closes every document and its windows without a question.
  void CloseAllDocuments();

 protected:
  // The parts a new document is made of.
  virtual std::unique_ptr<Document> CreateDocument() { return std::make_unique<Document>(); }
  virtual std::unique_ptr<MdiChildWindow> CreateChildFrame() {
    return std::make_unique<MdiChildWindow>();
  }
  virtual std::unique_ptr<View> CreateView() { return nullptr; }
  // The title of a new empty document: the document name and the running count ("IMAGE1").
  virtual void SetDefaultTitle(Document& document);

 private:
  friend class Document;
  void RemoveDocument(Document* document);
  Document* AdoptDocument(std::unique_ptr<Document> document);
  // A copy of the list, safe to walk while documents close.
  std::vector<Document*> DocumentPointers() const;

  std::vector<std::unique_ptr<Document>> documents_;
  int untitledCount_ = 0;
  UINT resourceId_;
  std::vector<std::string> docStrings_;
  UniqueMenu menu_;
  HACCEL accelerators_ = nullptr;  // owned by the resource module, freed with it
};

// Splits a document string at each "\n"; blanks are kept ("BmpFileType  " stays as it is).
std::vector<std::string> SplitDocString(const std::string& text);

}  // namespace qfw
