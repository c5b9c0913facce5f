#include "compat/ui/ui_surface.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTextCursor>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <map>
#include <stdexcept>
#include <vector>

#include "compat/ui/ui_app.h"
#include "compat/ui/ui_image_impl.h"
#include "compat/ui/ui_qt.h"

namespace compat::ui {
namespace {

// A check box that changes only when told to: a click just reports the command.
// Reports the keyboard focus arriving at a control as its notify::focused command.
class focus_reporter : public QObject {
public:
    focus_reporter(QObject* parent, std::function<void()> report) : QObject(parent), report_(std::move(report)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::FocusIn) report_();
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> report_;
};

class command_check : public QCheckBox {
public:
    using QCheckBox::QCheckBox;

protected:
    void nextCheckState() override {}
};

QString resolve_family(const std::string& family) {
    QString wanted = QString::fromStdString(family);
    if (!wanted.isEmpty() && QFontDatabase::families().contains(wanted, Qt::CaseInsensitive)) return wanted;
    return QFontDatabase::systemFont(QFontDatabase::GeneralFont).family();
}

// A label shows "\r\n" (the system's line end in texts) as one line break.
QString label_text(const text& t) {
    QString s = to_q(t);
    s.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return s;
}

// A text with a line longer than this wraps at the label's width; shorter lines keep the
// breaks they were written with.
constexpr size_t unwrapped_line = 60;

bool wants_wrap(const text& t) {
    size_t start = 0;
    for (;;) {
        const size_t end = t.find(u'\n', start);
        if ((end == text::npos ? t.size() : end) - start > unwrapped_line) return true;
        if (end == text::npos) return false;
        start = end + 1;
    }
}

// Labels show their text as it stands: a table name with a '<' is not taken for markup.
QLabel* plain_label(const QString& t) {
    auto* label = new QLabel(t);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

struct surface::impl {
    QPointer<QWidget> root;
    std::vector<QBoxLayout*> layouts;
    std::map<int, QWidget*> controls;
    std::map<int, QButtonGroup*> groups;
    QLabel* pending_buddy = nullptr;
    std::vector<QLabel*> form_labels;  // of the labeled edits, one column
    int width_du = 0;
    int height_du = 0;

    QBoxLayout* current() { return layouts.back(); }

    void place(surface& owner, int id, QWidget* w) {
        (void)owner;
        if (id != 0) {
            w->setObjectName(QString::number(id));
            controls[id] = w;
        }
        if (pending_buddy) {
            pending_buddy->setBuddy(w);
            pending_buddy = nullptr;
        }
        current()->addWidget(w);
    }

    QWidget* find(int id) const {
        auto it = controls.find(id);
        if (it == controls.end()) throw std::logic_error("no control with id " + std::to_string(id));
        return it->second;
    }

    template <class W>
    W* as(int id) const {
        W* w = qobject_cast<W*>(find(id));
        if (!w) throw std::logic_error("control " + std::to_string(id) + " is of another kind");
        return w;
    }

    QSize du_to_pixels(int w, int h) const {
        const QFontMetrics metrics(root ? root->font() : QApplication::font());
        return QSize(w * metrics.averageCharWidth() / 4, h * metrics.height() / 8);
    }
};

surface::surface() : impl_(std::make_unique<impl>()) {}

surface::~surface() {
    if (impl_->root) delete impl_->root.data();
}

QWidget* surface::make_window() { return new QWidget; }

window surface::native() {
    if (!impl_->root) {
        impl_->root = make_window();
        impl_->controls.clear();
        impl_->groups.clear();
        auto* layout = new QVBoxLayout(impl_->root);
        impl_->layouts = {layout};
        impl_->form_labels.clear();
        build();
        impl_->layouts.resize(1);
        // The edits of a form start at one column, after its widest label.
        int label_width = 0;
        for (QLabel* l : impl_->form_labels) label_width = std::max(label_width, l->sizeHint().width());
        for (QLabel* l : impl_->form_labels) l->setMinimumWidth(std::max(l->minimumWidth(), label_width));
        if (impl_->width_du > 0) impl_->root->setMinimumSize(impl_->du_to_pixels(impl_->width_du, impl_->height_du));
    }
    return impl_->root;
}

bool surface::created() const { return impl_->root != nullptr; }

void surface::set_size_du(int width, int height) {
    impl_->width_du = width;
    impl_->height_du = height;
    if (impl_->root) impl_->root->setMinimumSize(impl_->du_to_pixels(width, height));
}

void surface::add_text(int id, const text& t) {
    auto* label = plain_label(label_text(t));
    label->setWordWrap(wants_wrap(t));
    impl_->place(*this, id, label);
    if (t.find(u'&') != text::npos) impl_->pending_buddy = label;
}

void surface::add_label(int id, const text& t) {
    auto* label = plain_label(label_text(t));
    impl_->place(*this, id, label);
    impl_->pending_buddy = label;
}

void surface::add_labeled_edit(int label_id, const text& label, int edit_id, int flags) {
    begin_row();
    auto* l = plain_label(to_q(label));
    l->setMinimumWidth(impl_->du_to_pixels(110, 0).width());
    impl_->form_labels.push_back(l);
    impl_->place(*this, label_id, l);
    impl_->pending_buddy = l;
    add_edit(edit_id, flags);
    end_row();
}

void surface::add_edit(int id, int flags) {
    QWidget* w;
    if (flags & edit_multiline) {
        auto* e = new QPlainTextEdit;
        e->setReadOnly(flags & edit_readonly);
        e->installEventFilter(new focus_reporter(e, [this, id] { guarded([&] { on_command(id, notify::focused); }); }));
        QObject::connect(e, &QPlainTextEdit::textChanged, e,
                         [this, id] { guarded([&] { on_command(id, notify::text_changed); }); });
        w = e;
    } else {
        auto* e = new QLineEdit;
        if (flags & edit_password) e->setEchoMode(QLineEdit::Password);
        e->setReadOnly(flags & edit_readonly);
        QObject::connect(e, &QLineEdit::textEdited, e,
                         [this, id] { guarded([&] { on_command(id, notify::text_changed); }); });
        w = e;
    }
    impl_->place(*this, id, w);
}

void surface::add_button(int id, const text& t, bool is_default) {
    auto* b = new QPushButton(to_q(t));
    b->setDefault(is_default);
    b->setAutoDefault(false);
    QObject::connect(b, &QPushButton::clicked, b, [this, id] { guarded([&] { on_command(id, notify::clicked); }); });
    impl_->place(*this, id, b);
}

void surface::add_check(int id, const text& t, check_mode mode) {
    QCheckBox* c = mode == check_mode::by_command ? new command_check(to_q(t)) : new QCheckBox(to_q(t));
    QObject::connect(c, &QCheckBox::clicked, c, [this, id] { guarded([&] { on_command(id, notify::clicked); }); });
    impl_->place(*this, id, c);
}

void surface::add_radio(int id, const text& t, int group) {
    auto* r = new QRadioButton(to_q(t));
    QButtonGroup*& g = impl_->groups[group];
    if (!g) g = new QButtonGroup(impl_->root);
    g->addButton(r);
    QObject::connect(r, &QRadioButton::clicked, r, [this, id] { guarded([&] { on_command(id, notify::clicked); }); });
    impl_->place(*this, id, r);
}

void surface::add_list(int id, bool sorted) {
    auto* l = new QListWidget;
    l->setProperty("sorted_nocase", sorted);
    QObject::connect(l, &QListWidget::itemDoubleClicked, l,
                     [this, id] { guarded([&] { on_command(id, notify::double_clicked); }); });
    QObject::connect(l, &QListWidget::currentRowChanged, l,
                     [this, id] { guarded([&] { on_command(id, notify::selection_changed); }); });
    impl_->place(*this, id, l);
}

void surface::add_progress(int id) {
    auto* p = new QProgressBar;
    p->setRange(0, 100);
    p->setValue(0);
    impl_->place(*this, id, p);
}

void surface::add_picture(int id, const image& picture) {
    auto* l = new QLabel;
    l->setPixmap(QPixmap::fromImage(image_access::get(picture)));
    l->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    impl_->place(*this, id, l);
}

void surface::add_icon(int id, icon kind) {
    QStyle::StandardPixmap which = QStyle::SP_MessageBoxInformation;
    if (kind == icon::error) which = QStyle::SP_MessageBoxCritical;
    if (kind == icon::warning) which = QStyle::SP_MessageBoxWarning;
    if (kind == icon::question) which = QStyle::SP_MessageBoxQuestion;
    auto* l = new QLabel;
    l->setPixmap(QApplication::style()->standardIcon(which).pixmap(32, 32));
    l->setAlignment(Qt::AlignTop);
    l->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    impl_->place(*this, id, l);
}

void surface::begin_row() {
    auto* row = new QHBoxLayout;
    impl_->current()->addLayout(row);
    impl_->layouts.push_back(row);
}

void surface::end_row() {
    if (impl_->layouts.size() > 1) impl_->layouts.pop_back();
}

void surface::begin_box(const text& title) {
    if (title.empty()) {
        auto* column = new QVBoxLayout;
        impl_->current()->addLayout(column);
        impl_->layouts.push_back(column);
        return;
    }
    auto* box = new QGroupBox(to_q(title));
    impl_->current()->addWidget(box);
    impl_->layouts.push_back(new QVBoxLayout(box));
}

void surface::end_box() { end_row(); }

void surface::add_stretch() { impl_->current()->addStretch(1); }

void surface::add_spacing(int du) { impl_->current()->addSpacing(impl_->du_to_pixels(0, du).height()); }

void surface::set_text(int id, const text& t) {
    QWidget* w = impl_->find(id);
    if (auto* l = qobject_cast<QLabel*>(w)) {
        // Decided by the text shown: a label built empty may be given a long message.
        l->setWordWrap(wants_wrap(t));
        return l->setText(label_text(t));
    }
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->setText(to_q(t));
    if (auto* e = qobject_cast<QPlainTextEdit*>(w)) return e->setPlainText(to_q(t));
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->setText(to_q(t));
    throw std::logic_error("control " + std::to_string(id) + " has no text");
}

text surface::get_text(int id, size_t max_chars) const {
    QWidget* w = impl_->find(id);
    QString s;
    if (auto* l = qobject_cast<QLabel*>(w))
        s = l->text();
    else if (auto* e = qobject_cast<QLineEdit*>(w))
        s = e->text();
    else if (auto* e = qobject_cast<QPlainTextEdit*>(w))
        s = e->toPlainText();
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        s = b->text();
    else
        throw std::logic_error("control " + std::to_string(id) + " has no text");
    text result = from_q(s);
    if (result.size() > max_chars) result.resize(max_chars);
    return result;
}

bool surface::is_checked(int id) const { return impl_->as<QAbstractButton>(id)->isChecked(); }

void surface::set_checked(int id, bool on) {
    auto* b = impl_->as<QAbstractButton>(id);
    // A radio group that excludes would refuse to clear its checked button.
    QButtonGroup* group = b->group();
    const bool exclusive = group && group->exclusive();
    if (exclusive && !on) group->setExclusive(false);
    b->setChecked(on);
    if (exclusive && !on) group->setExclusive(true);
}

void surface::enable(int id, bool on) { impl_->find(id)->setEnabled(on); }
bool surface::is_enabled(int id) const { return impl_->find(id)->isEnabled(); }
void surface::show(int id, bool on) { impl_->find(id)->setVisible(on); }
bool surface::is_shown(int id) const { return !impl_->find(id)->isHidden(); }
void surface::set_focus(int id) { impl_->find(id)->setFocus(Qt::OtherFocusReason); }

void surface::edit_caret_to_end(int id) {
    QWidget* w = impl_->find(id);
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->end(false);
    auto* e = impl_->as<QPlainTextEdit>(id);
    e->moveCursor(QTextCursor::End);
    e->ensureCursorVisible();
}

void surface::set_font(int id, const font_spec& spec) {
    QFont font(resolve_family(spec.family));
    font.setPointSize(spec.points);
    font.setBold(spec.bold);
    impl_->find(id)->setFont(font);
}

void surface::set_picture(int id, const image& picture) {
    impl_->as<QLabel>(id)->setPixmap(QPixmap::fromImage(image_access::get(picture)));
}

image surface::picture(int id) const {
    image result;
    const QPixmap pixmap = impl_->as<QLabel>(id)->pixmap();
    image_access::get(result) = pixmap.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    return result;
}

int surface::list_add(int id, const text& entry) {
    const QString s = to_q(entry);
    auto* l = impl_->as<QListWidget>(id);
    int row = l->count();
    if (l->property("sorted_nocase").toBool()) {
        row = 0;
        while (row < l->count() && QString::compare(l->item(row)->text(), s, Qt::CaseInsensitive) <= 0) ++row;
    }
    l->insertItem(row, s);
    return row;
}

void surface::list_remove(int id, int index) { delete impl_->as<QListWidget>(id)->takeItem(index); }

void surface::list_clear(int id) { impl_->as<QListWidget>(id)->clear(); }

int surface::list_count(int id) const { return impl_->as<QListWidget>(id)->count(); }

text surface::list_entry(int id, int index) const {
    QListWidgetItem* item = impl_->as<QListWidget>(id)->item(index);
    return item ? from_q(item->text()) : text();
}

int surface::list_current(int id) const { return impl_->as<QListWidget>(id)->currentRow(); }

void surface::list_set_current(int id, int index) { impl_->as<QListWidget>(id)->setCurrentRow(index); }

int surface::text_width(int id, const text& t) const {
    return QFontMetrics(impl_->find(id)->font()).horizontalAdvance(to_q(t));
}

void surface::list_set_extent(int id, int /*pixels*/) {
    // The list scrolls to its widest entry by itself; only the kind is checked.
    (void)impl_->as<QListWidget>(id);
}

void surface::set_position(int id, int position) { impl_->as<QProgressBar>(id)->setValue(position); }
int surface::position(int id) const { return impl_->as<QProgressBar>(id)->value(); }

QWidget* surface::control(int id) const { return impl_->find(id); }

}  // namespace compat::ui
