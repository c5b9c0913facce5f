#include "GUI2/g_wait_run.h"

#include "GUI2/g_wait_dlg.h"
#include "TK/tk_threa.h"

namespace ui = compat::ui;

namespace {

// The work as a runnable: it ends the dialog however it ends.
class waited_work : public tk_functor {
public:
    waited_work(const std::function<void()>& work, wait_dialog& dialog) : work_(work), dialog_(dialog) {}

    void operator()() override {
        const dialog_ender end{dialog_};
        work_();
    }

private:
    struct dialog_ender {
        wait_dialog& dialog;
        ~dialog_ender() { dialog.finish(); }
    };
    const std::function<void()>& work_;
    wait_dialog& dialog_;
};

class work_thread : public tk_thread {
public:
    explicit work_thread(tk_functor& work) : work_(work) {}

protected:
    tk_functor* get_functor() override { return &work_; }

private:
    tk_functor& work_;
};

}  // namespace

void wait_for_work(const compat::wstring& text, const std::function<void()>& work) {
    wait_dialog dialog(wait_dialog::id_text, text);
    waited_work runnable(work, dialog);
    work_thread thread(runnable);
    thread.start();
    dialog.run_modal(ui::application::active_window());
    // The dialog ends when the work has ended; the join raises what the work raised.
    thread.wait();
}
