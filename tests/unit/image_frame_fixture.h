// A real main frame of type `Frame` with the image document template, shown as the program
// shows it; closed with its documents after each test.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "app/main_frame.h"
#include "app/quill_doc_template.h"
#include "framework/application.h"
#include "res/resource.h"
#include "tests/unit/test_support.h"

namespace quill {

template <typename Frame>
class ImageFrameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    HINSTANCE self = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterMainWindowClass(self, self));
    auto docTemplate = std::make_unique<CQuillDocTemplate>();
    ASSERT_TRUE(docTemplate->Load(self));
    template_ = docTemplate.get();
    application_.AddDocTemplate(std::move(docTemplate));
    auto frame = std::make_unique<Frame>();
    ASSERT_TRUE(frame->LoadFrame(IDR_MAINFRAME, WS_OVERLAPPEDWINDOW | FWS_ADDTOTITLE, nullptr));
    frame_ = frame.get();
    window_ = frame->Handle();
    application_.SetMainWindow(std::move(frame));
    ShowWindow(window_, SW_SHOW);
  }
  void TearDown() override {
    if (IsWindow(window_)) {
      application_.CloseAllDocuments();
      application_.DestroyMainWindow();
    }
    quill_test::DrainMessages();
  }

  qfw::Application application_;
  CQuillDocTemplate* template_ = nullptr;
  Frame* frame_ = nullptr;
  HWND window_ = nullptr;
};

}  // namespace quill
