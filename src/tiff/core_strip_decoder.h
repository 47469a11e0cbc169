// A CcittStripDecoder that runs the filter library's portable core in this process, through the
// same decode command and parameter words the program hands KESTREL.DLL. Used where no DLL can be
// loaded: native tests, the fuzz target and the benchmark.
#pragma once

#include "tiff/tiff_picture.h"

namespace quill {

class CoreStripDecoder : public CcittStripDecoder {
 public:
  bool Decode(const CcittStripJob& job, uint32_t& produced) override;
};

}  // namespace quill
