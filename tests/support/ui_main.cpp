// The main of the GUI tests: the offscreen platform and one application for the process.
#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>

#include "compat/ui/ui_app.h"

namespace {
// The offscreen platform warns about window hints it cannot honour; that is not news.
void quiet(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (message.contains("propagateSizeHints")) return;
    if (type != QtDebugMsg) std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

[[noreturn]] void no_display() {
    std::fputs("no display for the GUI tests\n", stderr);
    std::exit(2);
}
}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    testing::InitGoogleTest(&argc, argv);
    compat::ui::application app(argc, argv, no_display);
    qInstallMessageHandler(quiet);
    return RUN_ALL_TESTS();
}
