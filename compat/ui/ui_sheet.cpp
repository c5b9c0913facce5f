#include "compat/ui/ui_sheet.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QDialog>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <iterator>

#include "compat/ui/ui_app.h"
#include "compat/ui/ui_image_impl.h"
#include "compat/ui/ui_qt.h"

namespace compat::ui {

page::page(int dialog_id, text header_title, text header_subtitle, int style)
    : dialog_id_(dialog_id),
      header_title_(std::move(header_title)),
      header_subtitle_(std::move(header_subtitle)),
      style_(style) {}

page::~page() {
    if (sheet_) sheet_->forget(this);
}

namespace {

// Escape and the close box: Cancel, or Finish where Cancel is disabled and Finish shows.
constexpr int escape_command = -1;

class sheet_window : public QDialog {
public:
    explicit sheet_window(std::function<void(int)> command) : command_(std::move(command)) {}

    void reject() override { command_(escape_command); }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_F1) {
            command_(id_help);
            return;
        }
        QDialog::keyPressEvent(event);
    }

private:
    std::function<void(int)> command_;
};

QPushButton* make_button(const char* label, int id) {
    auto* b = new QPushButton(QString::fromUtf8(label));
    b->setObjectName(QString::number(id));
    b->setAutoDefault(false);
    return b;
}

// The sheet's buttons in their order on screen.
struct button_spec {
    int id;
    const char* label;
};
constexpr button_spec button_specs[] = {
    {id_back, "< &Back"}, {id_next, "&Next >"}, {id_finish, "Finish"}, {id_cancel, "Cancel"}, {id_help, "Help"}};
constexpr size_t button_count = std::size(button_specs);

// What set_buttons changes, so that a move that shows no page can put it back.
struct button_state {
    bool hidden, enabled, is_default;
};

// The control a page starts with: the first one that takes the keyboard focus, and of a
// group of radio buttons the one that is checked.
QWidget* first_field(QWidget* page) {
    for (QWidget* w = page->nextInFocusChain(); w && w != page; w = w->nextInFocusChain()) {
        if (!page->isAncestorOf(w) || !w->isVisibleTo(page) || !w->isEnabled() || !(w->focusPolicy() & Qt::TabFocus))
            continue;
        if (auto* b = qobject_cast<QAbstractButton*>(w); b && b->group() && !b->isChecked())
            if (QAbstractButton* checked = b->group()->checkedButton(); checked && checked->isVisibleTo(page))
                return checked;
        return w;
    }
    return nullptr;
}

QFrame* make_rule() {
    auto* line = new QFrame;
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

struct sheet::impl {
    sheet_window* window = nullptr;
    QLabel* watermark = nullptr;
    QWidget* header = nullptr;
    QLabel* title = nullptr;
    QLabel* subtitle = nullptr;
    QLabel* header_picture = nullptr;
    QFrame* header_rule = nullptr;
    QStackedWidget* stack = nullptr;
    std::array<QPushButton*, button_count> buttons{};
    int result = 0;
    int page_width_du = 0;
    int page_height_du = 0;

    QPushButton* button(int id) const {
        for (size_t i = 0; i < button_count; ++i)
            if (button_specs[i].id == id) return buttons[i];
        return nullptr;
    }
    std::array<button_state, button_count> button_states() const {
        std::array<button_state, button_count> states{};
        for (size_t i = 0; i < button_count; ++i)
            states[i] = {buttons[i]->isHidden(), buttons[i]->isEnabled(), buttons[i]->isDefault()};
        return states;
    }
    void restore(const std::array<button_state, button_count>& states) {
        for (size_t i = 0; i < button_count; ++i) {
            buttons[i]->setHidden(states[i].hidden);
            buttons[i]->setEnabled(states[i].enabled);
            buttons[i]->setDefault(states[i].is_default);
        }
    }
};

sheet::sheet() : impl_(std::make_unique<impl>()) {
    impl& m = *impl_;
    m.window = new sheet_window([this](int id) { guarded([&] { dispatch(id); }); });
    m.window->setModal(true);
    // The watermark stands beside the page, above the rule over the buttons, as tall as
    // the page; the header stands above the page.
    auto* outer = new QVBoxLayout(m.window);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    auto* top = new QHBoxLayout;
    top->setSpacing(0);
    outer->addLayout(top, 1);
    m.watermark = new QLabel;
    m.watermark->setAlignment(Qt::AlignTop);
    m.watermark->setObjectName("watermark");
    top->addWidget(m.watermark);
    auto* column = new QVBoxLayout;
    top->addLayout(column, 1);

    m.header = new QWidget;
    m.header->setAutoFillBackground(true);
    QPalette palette = m.header->palette();
    palette.setColor(QPalette::Window, Qt::white);
    m.header->setPalette(palette);
    auto* header_row = new QHBoxLayout(m.header);
    auto* header_texts = new QVBoxLayout;
    m.title = new QLabel;
    m.title->setObjectName("header_title");
    QFont bold = m.title->font();
    bold.setBold(true);
    m.title->setFont(bold);
    m.subtitle = new QLabel;
    m.subtitle->setObjectName("header_subtitle");
    m.subtitle->setIndent(16);
    m.title->setTextFormat(Qt::PlainText);
    m.subtitle->setTextFormat(Qt::PlainText);
    header_texts->addWidget(m.title);
    header_texts->addWidget(m.subtitle);
    header_row->addLayout(header_texts, 1);
    m.header_picture = new QLabel;
    header_row->addWidget(m.header_picture);
    column->addWidget(m.header);
    m.header_rule = make_rule();
    column->addWidget(m.header_rule);

    m.stack = new QStackedWidget;
    auto* body = new QVBoxLayout;
    body->setContentsMargins(11, 11, 11, 11);
    body->addWidget(m.stack, 1);
    column->addLayout(body, 1);
    outer->addWidget(make_rule());

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(11, 8, 11, 11);
    buttons->addStretch(1);
    for (size_t i = 0; i < button_count; ++i) {
        const int id = button_specs[i].id;
        QPushButton* b = m.buttons[i] = make_button(button_specs[i].label, id);
        buttons->addWidget(b);
        QObject::connect(b, &QPushButton::clicked, b, [this, id] { guarded([&] { dispatch(id); }); });
    }
    m.button(id_next)->setDefault(true);
    m.button(id_finish)->hide();
    outer->addLayout(buttons);
}

sheet::~sheet() {
    // Page windows belong to their pages: take them out before the sheet window goes.
    for (page* p : pages_) {
        if (p->created()) p->native()->setParent(nullptr);
        p->sheet_ = nullptr;
    }
    delete impl_->window;
}

window sheet::native() { return impl_->window; }

void sheet::set_caption(const text& caption) { impl_->window->setWindowTitle(to_q(caption)); }

void sheet::set_icon(const image& picture) {
    impl_->window->setWindowIcon(QIcon(QPixmap::fromImage(image_access::get(picture))));
}

void sheet::set_watermark(const image& picture) {
    const QImage& img = image_access::get(picture);
    impl_->watermark->setPixmap(QPixmap::fromImage(img));
    // Below the picture its last row goes on, so the column is one picture however tall
    // the page is.
    if (img.isNull()) return;
    QPalette palette = impl_->watermark->palette();
    palette.setColor(QPalette::Window, img.pixelColor(0, img.height() - 1));
    impl_->watermark->setPalette(palette);
    impl_->watermark->setAutoFillBackground(true);
}

void sheet::set_header_picture(const image& picture) {
    impl_->header_picture->setPixmap(QPixmap::fromImage(image_access::get(picture)));
}

void sheet::set_page_size_du(int width, int height) {
    impl_->page_width_du = width;
    impl_->page_height_du = height;
}

void sheet::add_page(page& p) {
    pages_.push_back(&p);
    p.sheet_ = this;
}

void sheet::forget(page* p) {
    const auto it = std::find(pages_.begin(), pages_.end(), p);
    if (it == pages_.end()) return;
    const int index = static_cast<int>(it - pages_.begin());
    pages_.erase(it);
    if (current_ == index)
        current_ = -1;
    else if (current_ > index)
        --current_;
}

page* sheet::current() const { return current_ >= 0 ? pages_[current_] : nullptr; }

bool sheet::go_to(int index, int direction) {
    impl& m = *impl_;
    // Activating a page sets the buttons for it; a move that shows no page leaves the
    // buttons of the page the user stays on.
    const auto buttons_before = m.button_states();
    while (index >= 0 && index < static_cast<int>(pages_.size())) {
        page* p = pages_[index];
        QWidget* w = p->native();
        if (m.stack->indexOf(w) < 0) {
            if (m.page_width_du > 0 && !(p->style() & page_hide_header))
                p->set_size_du(m.page_width_du, m.page_height_du);
            m.stack->addWidget(w);
        }
        const int previous = current_;
        current_ = index;
        bool shown = true;
        // A page that could not be filled is not shown half-filled: the error has been
        // reported and the user stays where they were.
        if (!guarded([&] { shown = p->on_set_active(); })) {
            current_ = previous;
            break;
        }
        if (shown) {
            const bool hide_header = p->style() & page_hide_header;
            m.header->setVisible(!hide_header);
            m.header_rule->setVisible(!hide_header);
            m.watermark->setVisible(hide_header);
            m.title->setText(to_q(p->header_title()));
            m.subtitle->setText(to_q(p->header_subtitle()));
            m.button(id_help)->setVisible(p->style() & page_has_help);
            m.stack->setCurrentWidget(w);
            // The user goes on typing in the page, not on the sheet's buttons.
            if (QWidget* field = first_field(w)) field->setFocus(Qt::TabFocusReason);
            return true;
        }
        current_ = previous;
        if (direction == 0) break;
        index += direction;
    }
    m.restore(buttons_before);
    return false;
}

void sheet::dispatch(int id) {
    page* p = current();
    if (!p) return;
    auto index_of = [&](int dialog_id) {
        for (size_t i = 0; i < pages_.size(); ++i)
            if (pages_[i]->dialog_id() == dialog_id) return static_cast<int>(i);
        return -1;
    };
    auto travel = [&](int answer, int direction) {
        if (answer == -1) return;
        const int target = answer == 0 ? current_ + direction : index_of(answer);
        if (target < 0) return;
        bool may_leave = true;
        guarded([&] { may_leave = p->on_kill_active(); });
        if (may_leave) go_to(target, direction);
    };
    if (id == escape_command) {
        QPushButton* cancel = impl_->button(id_cancel);
        QPushButton* finish = impl_->button(id_finish);
        id = !cancel->isEnabled() && finish->isVisible() && finish->isEnabled() ? id_finish : id_cancel;
    }
    switch (id) {
        case id_next: {
            if (!impl_->button(id_next)->isVisible() || !impl_->button(id_next)->isEnabled()) return;
            int answer = -1;
            guarded([&] { answer = p->on_wizard_next(); });
            travel(answer, +1);
            return;
        }
        case id_back: {
            if (!impl_->button(id_back)->isEnabled()) return;
            int answer = -1;
            guarded([&] { answer = p->on_wizard_back(); });
            travel(answer, -1);
            return;
        }
        case id_finish: {
            bool may_finish = false;
            guarded([&] { may_finish = p->on_wizard_finish(); });
            if (may_finish) {
                impl_->result = 1;
                impl_->window->done(1);
            }
            return;
        }
        case id_cancel: {
            if (!impl_->button(id_cancel)->isEnabled()) return;
            bool may_cancel = false;
            guarded([&] { may_cancel = p->on_query_cancel(); });
            if (may_cancel) close();
            return;
        }
        case id_help:
            if (p->style() & page_has_help) guarded([&] { p->on_help(); });
            return;
        default:
            return;
    }
}

int sheet::run_modal(window owner) {
    impl& m = *impl_;
    if (owner) m.window->setParent(owner, m.window->windowFlags() | Qt::Dialog);
    m.result = 0;
    current_ = -1;
    running_ = true;
    if (!go_to(0, +1)) {
        running_ = false;
        return 0;
    }
    m.window->exec();
    running_ = false;
    m.window->hide();
    if (owner) m.window->setParent(nullptr);
    return m.result;
}

void sheet::set_buttons(int flags) {
    impl& m = *impl_;
    QPushButton* next = m.button(id_next);
    QPushButton* finish = m.button(id_finish);
    m.button(id_back)->setEnabled(flags & button_back);
    if (flags & button_finish) {
        next->hide();
        finish->show();
        finish->setEnabled(true);
        finish->setDefault(true);
    } else {
        finish->hide();
        next->show();
        next->setEnabled(flags & button_next);
        next->setDefault(true);
    }
}

void sheet::enable_button(int id, bool on) {
    if (id == id_cancel || id == id_help) impl_->button(id)->setEnabled(on);
}

void sheet::focus_button(int id) {
    if (QPushButton* b = impl_->button(id)) b->setFocus(Qt::OtherFocusReason);
}

void sheet::press(int id) {
    guarded([&] { dispatch(id); });
}

bool sheet::select_page(int dialog_id) {
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (pages_[i]->dialog_id() != dialog_id) continue;
        if (page* p = current()) {
            bool may_leave = true;
            guarded([&] { may_leave = p->on_kill_active(); });
            if (!may_leave) return false;
        }
        return go_to(static_cast<int>(i), 0);
    }
    return false;
}

void sheet::center() {
    QWidget* w = impl_->window;
    w->adjustSize();
    if (QScreen* s = QGuiApplication::primaryScreen())
        w->move(s->availableGeometry().center() - QPoint(w->width() / 2, w->height() / 2));
}

void sheet::close() {
    impl_->result = 0;
    impl_->window->done(0);
}

void sheet::tick(int timer_id) {
    if (page* p = current()) guarded([&] { p->on_timer(timer_id); });
}

}  // namespace compat::ui
