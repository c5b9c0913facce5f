#include "compat/ui/ui_msgbox.h"

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

#include "compat/ui/ui_app.h"
#include "compat/ui/ui_qt.h"

namespace compat::ui {

namespace {
constexpr int dismiss_poll_ms = 100;
}

int message_box(window owner, const text& message, const text& caption, icon kind, box_buttons buttons,
                int default_button, const std::function<bool()>& dismiss) {
    int answer = id_cancel;
    application::invoke([&] {
        QMessageBox box(owner);
        box.setWindowTitle(to_q(caption));
        box.setText(to_q(message));
        box.setTextFormat(Qt::PlainText);
        switch (kind) {
            case icon::error:
                box.setIcon(QMessageBox::Critical);
                break;
            case icon::warning:
                box.setIcon(QMessageBox::Warning);
                break;
            case icon::information:
                box.setIcon(QMessageBox::Information);
                break;
            case icon::question:
                box.setIcon(QMessageBox::Question);
                break;
            case icon::none:
                break;
        }
        std::vector<std::pair<QMessageBox::StandardButton, int>> order;
        switch (buttons) {
            case box_buttons::ok:
                order = {{QMessageBox::Ok, id_ok}};
                break;
            case box_buttons::ok_cancel:
                order = {{QMessageBox::Ok, id_ok}, {QMessageBox::Cancel, id_cancel}};
                break;
            case box_buttons::yes_no:
                order = {{QMessageBox::Yes, id_yes}, {QMessageBox::No, id_no}};
                break;
            case box_buttons::yes_no_cancel:
                order = {{QMessageBox::Yes, id_yes}, {QMessageBox::No, id_no}, {QMessageBox::Cancel, id_cancel}};
                break;
        }
        QMessageBox::StandardButtons all;
        for (auto& [b, id] : order) all |= b;
        box.setStandardButtons(all);
        if (default_button >= 0 && default_button < static_cast<int>(order.size()))
            box.setDefaultButton(order[default_button].first);
        // Escape answers Cancel or No, as the system's boxes do; OK alone: OK.
        if (buttons == box_buttons::ok) box.setEscapeButton(QMessageBox::Ok);
        QTimer watch;
        if (dismiss) {
            QObject::connect(&watch, &QTimer::timeout, &box, [&] {
                if (dismiss()) box.reject();
            });
            watch.start(dismiss_poll_ms);
        }
        box.exec();
        const auto clicked = box.standardButton(box.clickedButton());
        answer = id_cancel;
        for (auto& [b, id] : order)
            if (b == clicked) answer = id;
        if (!box.clickedButton() && buttons == box_buttons::yes_no) answer = id_no;
    });
    return answer;
}

}  // namespace compat::ui
