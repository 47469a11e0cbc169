#include "framework/message_box.h"

#include <utility>

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

MessagePresenter* ExchangePresenter(MessagePresenter* replacement) {
  return std::exchange(currentPresenter, replacement);
}

}  // namespace qfw
