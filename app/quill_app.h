// The application object: start-up in the user's language, a single running copy, exit.
#pragma once

#include "application.h"

namespace quill {

class CQuillApp : public qfw::Application {
 public:
  bool InitInstance() override;
  int ExitInstance() override;
};

}  // namespace quill
