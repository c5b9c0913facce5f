// File dialogs: an open dialog (the file may have to exist) and a save dialog (with a
// default extension added to a name without one). On the user-interface thread only.
#pragma once

#include <optional>
#include <vector>

#include "compat/ui/ui_types.h"

namespace compat::ui {

struct file_filter {
    text description;  // "Profile Files (.qrn)"
    text pattern;      // "*.qrn"; several patterns separated by ';'
};

struct file_request {
    window owner = nullptr;
    text title;
    std::vector<file_filter> filters;
    text folder;  // empty: the current folder
    text name;    // preset file name
};

// The chosen file's full path, or nothing when the user cancelled.
std::optional<text> open_file(const file_request& request, bool must_exist);
// default_extension without the dot ("sql"); empty: none.
std::optional<text> save_file(const file_request& request, const text& default_extension);

}  // namespace compat::ui
