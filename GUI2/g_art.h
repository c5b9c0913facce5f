// The wizard's artwork, drawn in code: the program icon (501), the watermark of the first
// and last pages (311), the header picture (312) and the eight frames of the connect
// animation (502 to 509).
#pragma once

#include "compat/ui/ui_image.h"

inline constexpr int art_icon = 501;
inline constexpr int art_watermark = 311;
inline constexpr int art_header = 312;
inline constexpr int art_first_frame = 502;
inline constexpr int art_frame_count = 8;

// The picture of a resource id; an unknown id gives an empty image.
compat::ui::image wizard_art(int resource_id);
