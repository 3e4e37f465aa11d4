#pragma once
// The text colour a control is drawn with, read one of two ways:
// - pixels (the default): from the screen. The pixel of the control's rectangle that differs most
//   from its background (the most frequent colour there) is the text's full-coverage colour. The
//   control must be on the screen, not covered by another window.
// - ctlcolor: the way the control itself learns it, the WM_CTLCOLOR* message its parent answers,
//   sent with a memory DC of the driver on which the parent sets the colour. Windows carries it;
//   Wine 8 refuses to pass a message holding a DC to another process ("pack_message ... not
//   supported yet"), so there the command fails with "busy".
#include <windows.h>

#include <string>

namespace driver {

enum class ColourMethod { pixels, ctlcolor };

// 0x00BBGGRR, as Windows holds a colour: red is 255.
COLORREF text_colour(HWND control, ColourMethod method);

}  // namespace driver
