#include "transfer_output.h"

#include "twain_connection.h"

namespace quill {

DWORD RunningFileNumber = 0;

// Output files are not written yet: no image is saved.
int TwainConnection::SaveImage(HGLOBAL) { return 0; }

}  // namespace quill
