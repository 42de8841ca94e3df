// The frame routine's picture: the whole client area composed into one image.
#pragma once

#include <QFont>
#include <QImage>
#include <QSize>

namespace gb {

struct Context;

// The font of the view's texts: the Japanese gothic faces in order of preference, 12 points.
QFont FrameFont();

// One frame: advances when asked (with the stop target), then draws background, grid, border,
// cells, status line, zoom label and extinction notice into a new image of the client size.
// Sets viewLeft, viewTop and population, and stops the run when the field has died out. Starting
// a pending zoom-label timer is left to the caller, after the image has reached the window.
// client is in the view's own pixels; the image has devicePixelRatio times as many pixels each
// way and carries that ratio.
QImage ComposeFrame(Context& ctx, QSize client, bool advance, double devicePixelRatio = 1.0);

}  // namespace gb
