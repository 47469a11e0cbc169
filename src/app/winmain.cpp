#include <windows.h>

#include "app/quill_app.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  quill::CQuillApp application;
  return application.Execute(instance, showCommand);
}
