// Inside the layer only: the toolkit image behind an image.
#pragma once

#include <QImage>

#include "compat/ui/ui_image.h"

namespace compat::ui {

struct image::impl {
    QImage picture;
};

struct image_access {
    static const QImage& get(const image& i) { return i.impl_->picture; }
    static QImage& get(image& i) { return i.impl_->picture; }
};

}  // namespace compat::ui
