#include "message_box.h"

namespace qfw {
namespace {

class SystemMessagePresenter : public MessagePresenter {
 public:
  int Show(HWND owner, const char* text, const char* caption, UINT style) override {
    return MessageBoxA(owner, text, caption, style);
  }
};

SystemMessagePresenter systemPresenter;
MessagePresenter* currentPresenter = &systemPresenter;

}  // namespace

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
  return currentPresenter->Show(owner, text, caption, style);
}

ScopedMessagePresenter::ScopedMessagePresenter(MessagePresenter& presenter)
    : previous_(currentPresenter) {
  currentPresenter = &presenter;
}

ScopedMessagePresenter::~ScopedMessagePresenter() { currentPresenter = previous_; }

}  // namespace qfw
