// Pictures drawn in code: an image of a given size and a canvas of simple shapes to draw
// on it. Colours are 0xRRGGBB, or 0xAARRGGBB when the alpha byte is not zero.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compat/ui/ui_types.h"

namespace compat::ui {

class image {
public:
    image();
    image(int width, int height);  // transparent
    image(const image& other);
    image& operator=(const image& other);
    ~image();

    bool empty() const;
    int width() const;
    int height() const;
    // The 0xAARRGGBB value of a pixel (tests compare frames).
    uint32_t pixel(int x, int y) const;
    bool operator==(const image& other) const;
    bool save_png(const std::string& path) const;

private:
    friend struct image_access;
    struct impl;
    std::unique_ptr<impl> impl_;
};

struct point {
    double x, y;
};

// Draws on an image for its lifetime.
class canvas {
public:
    explicit canvas(image& target);
    ~canvas();
    canvas(const canvas&) = delete;
    canvas& operator=(const canvas&) = delete;

    void fill(uint32_t colour);
    // A vertical gradient from top to bottom colour over the rectangle.
    void gradient_rect(double x, double y, double w, double h, uint32_t top, uint32_t bottom);
    void rect(double x, double y, double w, double h, uint32_t fill, uint32_t outline = 0, double pen = 0);
    void ellipse(double x, double y, double w, double h, uint32_t fill, uint32_t outline = 0, double pen = 0);
    void polygon(const std::vector<point>& points, uint32_t fill, uint32_t outline = 0, double pen = 0);
    // An arc of the ellipse in the rectangle, angles in degrees (0 = three o'clock,
    // counter-clockwise).
    void arc(double x, double y, double w, double h, double start, double span, uint32_t colour, double pen);

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

// A picture of a window (page, dialog, sheet) as it is drawn now; tests save it as PNG.
image grab(window w);

}  // namespace compat::ui
