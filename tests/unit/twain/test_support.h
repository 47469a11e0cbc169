// A connection bound to the recording stand-in, with its state open to the tests, and a
// message presenter that records every box and answers OK.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "framework/message_box.h"
#include "tests/unit/twain/recording_dsm.h"
#include "twain/twain_connection.h"

namespace quill {

class TestConnection : public TwainConnection {
 public:
  TestConnection() : TwainConnection(&RecordingDsm::Loader) {}

  using TwainConnection::ApplicationIdentity;
  using TwainConnection::LastConditionCode;
  using TwainConnection::LastReturnCode;
  using TwainConnection::OverwriteMode;
  using TwainConnection::SetTwainState;
  using TwainConnection::SourceIdentity;
  using TwainConnection::TwainState;
  using TwainConnection::UserInterface;

  void OnStateChanged(int newState) override { stateChanges.push_back(newState); }

  // Walks up to `state` (at most 5) through the real steps.
  void Reach(int state) {
    if (state >= 2) LoadSourceManager();
    if (state >= 3) OpenSourceManager(nullptr);
    if (state >= 4) OpenSource();
    if (state >= 5) EnableSource(nullptr);
  }

  std::vector<int> stateChanges;
};

struct ShownMessage {
  HWND owner;
  std::string text;
  std::optional<std::string> caption;
  UINT style;
};

class RecordingPresenter : public qfw::MessagePresenter {
 public:
  RecordingPresenter() : scope_(*this) {}
  int Show(HWND owner, const char* text, const char* caption, UINT style) override {
    shown.push_back({owner, text, caption ? std::optional<std::string>(caption) : std::nullopt,
                     style});
    return IDOK;
  }
  std::vector<ShownMessage> shown;

 private:
  qfw::ScopedMessagePresenter scope_;
};

}  // namespace quill
