// A document: the data of one window's worth of work, with its title, file name and modified
// flag, and the views that show it. Documents belong to their template; a document that is
// closed takes its windows with it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "framework/lifetime.h"

namespace qfw {

class DocTemplate;
class View;

class Document {
 public:
  Document() = default;
  // Views that still exist forget the document.
  virtual ~Document();
  Document(const Document&) = delete;
  Document& operator=(const Document&) = delete;

  const std::string& Title() const { return title_; }
  // Also the caption of every window that shows the document.
  void SetTitle(const std::string& title);
  const std::string& PathName() const { return pathName_; }
  // The file the document belongs to; the title becomes the file's name. `addToRecent` puts it
  // on the application's recent-file list.
  void SetPathName(const std::string& path, bool addToRecent = true);

  bool IsModified() const { return modified_; }
  void SetModified(bool modified) { modified_ = modified; }

  DocTemplate* Template() const { return template_; }
  const std::vector<View*>& Views() const { return views_; }
  // Redraws every view but `sender`.
  void UpdateAllViews(View* sender);

  // A new empty document: no file, not modified. False keeps it from being shown.
  virtual bool OnNewDocument();
  // Reads `path` into the document; false when it cannot (the document is then discarded).
  virtual bool OnOpenDocument(const char* path);
  // Asked before the document is closed by its window or at exit; false keeps it open.
  virtual bool SaveModified();
  // Closes every window of the document and destroys the document. Nothing of it may be
  // touched afterwards.
  virtual void OnCloseDocument();
  // Commands routed from the active view; false passes them on.
  virtual bool OnCommand(UINT id);

  // Whether the document still exists after a call that may have closed it (see lifetime.h).
  LifeWatch Watch() const { return lifetime_.Watch(); }

 private:
  friend class DocTemplate;
  friend class View;
  void AddView(View* view);
  void RemoveView(View* view);
  // The windows that show the document: the parents of its views.
  std::vector<HWND> Frames() const;

  DocTemplate* template_ = nullptr;
  std::vector<View*> views_;
  std::string title_;
  std::string pathName_;
  bool modified_ = false;
  Lifetime lifetime_;
};

// The part of `path` after its last backslash, slash or colon.
std::string FileNamePart(const std::string& path);

}  // namespace qfw
