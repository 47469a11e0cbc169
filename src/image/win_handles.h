// The handle owners under the names image, document, view and transfer code use in namespace
// quill. They are the framework's owners (framework/handles.h); nothing is defined here.
#pragma once

#include "framework/handles.h"

namespace quill {

using qfw::GdiObject;
using qfw::GlobalBlock;
using qfw::GlobalLockGuard;
using qfw::PaintDc;
using qfw::ScopedBitmap;
using qfw::ScopedBrush;
using qfw::ScopedClipboard;
using qfw::ScopedDc;
using qfw::ScopedFont;
using qfw::ScopedPalette;
using qfw::ScopedPaletteSelection;
using qfw::ScopedPen;
using qfw::ScopedRegion;
using qfw::ScopedSelection;
using qfw::WindowDc;

}  // namespace quill
