// Plays an enhanced metafile onto any canvas.
//
// The player keeps the metafile's device-context model (mapping mode,
// window and viewport, world transform, object table, saved states) and
// turns each record into canvas calls under one transform: the metafile's
// own mapping, then the placement of its frame into the destination
// rectangle (rotated by 0, 90, 180 or 270 degrees clockwise), then the
// canvas's transform as it was when playing began. Damaged records are
// skipped and reported to the caller's diagnostics. EMF+ comments are passed
// over (the GDI records of a dual metafile are drawn; a metafile of EMF+
// records alone is reported), and so is text given as glyph numbers, which
// names glyphs of a font this machine need not have.
#pragma once

#include "platform/canvas/canvas.h"
#include "platform/emf/emf_reader.h"

namespace vn::platform {

// Draws `file` into `dest` (logical units of the canvas as it stands);
// rotation is 0, 90, 180 or 270 (others count as 0). The canvas's state is
// the same afterwards.
void PlayMetafile(const emf::EmfFile& file, Canvas& canvas, Rect dest, int rotation = 0,
                  Diagnostics* diagnostics = nullptr);

// The page drawing shared by the page classes: a page metafile drawn on a
// canvas of width x height pixels, turned by rotation degrees clockwise (the
// canvas size is the turned size); the page is painted white first. The
// metafile's frame is the page: ink beyond it is cut off at the page's edge.
void DrawPageMetafile(const emf::EmfFile& file, Canvas& canvas, int32_t width, int32_t height, int rotation,
                      Diagnostics* diagnostics = nullptr);

}  // namespace vn::platform
