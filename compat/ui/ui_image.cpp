#include "compat/ui/ui_image.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QWidget>

#include "compat/ui/ui_image_impl.h"

namespace compat::ui {
namespace {

QColor colour_of(uint32_t c) {
    const int alpha = (c >> 24) ? static_cast<int>(c >> 24) : 255;
    return QColor(static_cast<int>((c >> 16) & 0xff), static_cast<int>((c >> 8) & 0xff), static_cast<int>(c & 0xff),
                  alpha);
}

}  // namespace

image::image() : impl_(std::make_unique<impl>()) {}

image::image(int width, int height) : impl_(std::make_unique<impl>()) {
    impl_->picture = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    impl_->picture.fill(Qt::transparent);
}

image::image(const image& other) : impl_(std::make_unique<impl>(*other.impl_)) {}

image& image::operator=(const image& other) {
    if (this != &other) *impl_ = *other.impl_;
    return *this;
}

image::~image() = default;

bool image::empty() const { return impl_->picture.isNull(); }
int image::width() const { return impl_->picture.width(); }
int image::height() const { return impl_->picture.height(); }
uint32_t image::pixel(int x, int y) const { return impl_->picture.pixel(x, y); }
bool image::operator==(const image& other) const { return impl_->picture == other.impl_->picture; }
bool image::save_png(const std::string& path) const { return impl_->picture.save(QString::fromStdString(path), "PNG"); }

struct canvas::impl {
    explicit impl(QImage& target) : painter(&target) { painter.setRenderHint(QPainter::Antialiasing); }
    void set_pens(uint32_t fill, uint32_t outline, double pen) {
        painter.setBrush(colour_of(fill));
        if (pen > 0)
            painter.setPen(QPen(colour_of(outline), pen));
        else
            painter.setPen(Qt::NoPen);
    }
    QPainter painter;
};

canvas::canvas(image& target) : impl_(std::make_unique<impl>(image_access::get(target))) {}
canvas::~canvas() = default;

void canvas::fill(uint32_t colour) {
    QImage* device = static_cast<QImage*>(impl_->painter.device());
    impl_->painter.fillRect(device->rect(), colour_of(colour));
}

void canvas::gradient_rect(double x, double y, double w, double h, uint32_t top, uint32_t bottom) {
    QLinearGradient gradient(QPointF(x, y), QPointF(x, y + h));
    gradient.setColorAt(0, colour_of(top));
    gradient.setColorAt(1, colour_of(bottom));
    impl_->painter.fillRect(QRectF(x, y, w, h), gradient);
}

void canvas::rect(double x, double y, double w, double h, uint32_t fill, uint32_t outline, double pen) {
    impl_->set_pens(fill, outline, pen);
    impl_->painter.drawRect(QRectF(x, y, w, h));
}

void canvas::ellipse(double x, double y, double w, double h, uint32_t fill, uint32_t outline, double pen) {
    impl_->set_pens(fill, outline, pen);
    impl_->painter.drawEllipse(QRectF(x, y, w, h));
}

void canvas::polygon(const std::vector<point>& points, uint32_t fill, uint32_t outline, double pen) {
    QPolygonF shape;
    for (const point& p : points) shape << QPointF(p.x, p.y);
    impl_->set_pens(fill, outline, pen);
    impl_->painter.drawPolygon(shape);
}

void canvas::arc(double x, double y, double w, double h, double start, double span, uint32_t colour, double pen) {
    impl_->painter.setPen(QPen(colour_of(colour), pen, Qt::SolidLine, Qt::RoundCap));
    impl_->painter.setBrush(Qt::NoBrush);
    impl_->painter.drawArc(QRectF(x, y, w, h), static_cast<int>(start * 16), static_cast<int>(span * 16));
}

image grab(window w) {
    image result;
    if (w) image_access::get(result) = w->grab().toImage();
    return result;
}

}  // namespace compat::ui
