// Linked into every test executable that needs the virtual scanner as the default source.
#include "tests/common/virtual_scanner_default.h"

namespace {

::testing::Environment* const kVirtualScannerAsDefault =
    ::testing::AddGlobalTestEnvironment(new quill_test::VirtualScannerAsDefaultSource);

}  // namespace
