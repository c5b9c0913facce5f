#include "GUI2/g_art.h"

#include <cmath>
#include <numbers>

using compat::ui::canvas;
using compat::ui::image;

namespace {

constexpr uint32_t deep_blue = 0x1f4e79;
constexpr uint32_t mid_blue = 0x2e75b6;
constexpr uint32_t pale_blue = 0xbdd7ee;
constexpr uint32_t amber = 0xf4a020;
constexpr uint32_t white = 0xffffff;

// A database drum: a body with a lighter top ellipse and two bands.
void drum(canvas& c, double x, double y, double w, double h, uint32_t body, uint32_t top) {
    const double lid = h * 0.22;
    c.rect(x, y + lid / 2, w, h - lid, body);
    c.ellipse(x, y + h - lid, w, lid, body);
    for (double band : {0.38, 0.62}) c.arc(x, y + h * band - lid / 2, w, lid, 180, 180, top, 1.2);
    c.ellipse(x, y, w, lid, top, body, 1);
}

// An arrow pointing right, from the left drum to the right one.
void arrow(canvas& c, double x, double y, double length, double thickness) {
    const double head = thickness * 1.8;
    c.rect(x, y - thickness / 2, length - head, thickness, amber);
    c.polygon({{x + length - head, y - head}, {x + length, y}, {x + length - head, y + head}}, amber);
}

// The program's emblem at a small size: two drums side by side with the arrow across them.
struct emblem_layout {
    int side;
    double left, top, width, height, second_left;
    double arrow_x, arrow_y, arrow_length, arrow_thickness;
};

image emblem(const emblem_layout& l) {
    image picture(l.side, l.side);
    canvas c(picture);
    drum(c, l.left, l.top, l.width, l.height, deep_blue, pale_blue);
    drum(c, l.second_left, l.top, l.width, l.height, mid_blue, pale_blue);
    arrow(c, l.arrow_x, l.arrow_y, l.arrow_length, l.arrow_thickness);
    return picture;
}

image program_icon() { return emblem({48, 3, 10, 20, 30, 25, 12, 26, 26, 5}); }

image watermark() {
    image picture(164, 314);
    canvas c(picture);
    c.gradient_rect(0, 0, 164, 314, deep_blue, mid_blue);
    drum(c, 32, 60, 56, 76, mid_blue, pale_blue);
    drum(c, 76, 170, 56, 76, 0x5b9bd5, white);
    arrow(c, 50, 160, 50, 8);
    for (int i = 0; i < 6; ++i) c.ellipse(18 + i * 24, 282, 8, 8, 0x40ffffff);
    return picture;
}

image header() { return emblem({49, 4, 8, 18, 30, 27, 12, 24, 24, 4}); }

// Eight dots on a ring; the bright one moves a step clockwise each frame, with a fading
// tail behind it.
image frame(int index) {
    image picture(32, 32);
    canvas c(picture);
    const double centre = 16, radius = 11, dot = 6;
    for (int k = 0; k < art_frame_count; ++k) {
        const double angle = -std::numbers::pi / 2 + k * 2 * std::numbers::pi / art_frame_count;
        const int behind = (index - k + art_frame_count) % art_frame_count;
        const uint32_t colour = behind == 0 ? amber : behind == 1 ? mid_blue : behind == 2 ? 0x5b9bd5 : pale_blue;
        c.ellipse(centre + radius * std::cos(angle) - dot / 2, centre + radius * std::sin(angle) - dot / 2, dot, dot,
                  colour);
    }
    return picture;
}

}  // namespace

image wizard_art(int resource_id) {
    switch (resource_id) {
        case art_icon:
            return program_icon();
        case art_watermark:
            return watermark();
        case art_header:
            return header();
        default:
            break;
    }
    if (resource_id >= art_first_frame && resource_id < art_first_frame + art_frame_count)
        return frame(resource_id - art_first_frame);
    return image();
}
