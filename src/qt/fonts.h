#pragma once

#include <QFont>

#include "window/window_model.h"

namespace pm {

// Maps the design's Song face (kSongFamily, a Windows font) onto a Song/Ming-style CJK font this
// system has, so every Chinese caption is drawn in real glyphs. Call once after the QApplication
// exists.
void installFontSubstitutions();

QFont toQFont(const FontSpec& design);

}  // namespace pm
