// Korvane's icon, drawn from a few shapes at any size: the desktop entry's PNGs are written from
// it at build time (icon_png.cpp); a tray or window icon can draw it at run time.
#pragma once
#include "Ostrel/core/types.h"

// Fills size × size pixels, rows top first, four bytes each: red, green, blue and alpha
// (straight, not premultiplied). Edges are anti-aliased.
void icon_draw(u32 size, u8* rgba);
