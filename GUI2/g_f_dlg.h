// The file dialogs: open and save, with a filter of description and pattern pairs, a
// title and an initial path. The save dialog appends its default extension to a chosen
// path that does not contain it.
#pragma once

#include <optional>

#include "compat/text/text.h"
#include "compat/ui/ui.h"

// "Profile Files (.qrn)\0*.qrn\0All Files (*.*)\0*.*\0" for the extension "qrn": the
// profile filter of Load Settings and Save Settings, each text ended by a NUL.
compat::wstring profile_filter(const compat::wstring& extension);

class file_dialog {
public:
    // filter: description and pattern pairs, each text ended by a NUL. The initial path
    // gives the folder to open in and the preset name (without its extension).
    file_dialog(compat::ui::window owner, const compat::wstring& filter, compat::wstring title,
                const compat::wstring& initial_path);
    virtual ~file_dialog() = default;
    file_dialog(const file_dialog&) = delete;
    file_dialog& operator=(const file_dialog&) = delete;

    // True when the user confirmed a file; its full path is then get_path().
    bool show();
    const compat::wstring& get_path() const { return path_; }

    const compat::ui::file_request& request() const { return request_; }

protected:
    virtual std::optional<compat::wstring> run() = 0;
    // The chosen path as the dialog hands it back.
    virtual compat::wstring complete(compat::wstring path) const { return path; }

    compat::ui::file_request request_;

private:
    compat::wstring path_;
};

// The file must exist.
class open_file_dialog : public file_dialog {
public:
    open_file_dialog(compat::ui::window owner, const compat::wstring& filter, compat::wstring title,
                     const compat::wstring& initial_path);

protected:
    std::optional<compat::wstring> run() override;
};

class save_file_dialog : public file_dialog {
public:
    // extension: "qrn" or ".qrn"; an empty one is an internal error.
    save_file_dialog(compat::ui::window owner, const compat::wstring& filter, compat::wstring title,
                     const compat::wstring& initial_path, const compat::wstring& extension);

    const compat::wstring& default_extension() const { return default_extension_; }

protected:
    std::optional<compat::wstring> run() override;
    compat::wstring complete(compat::wstring path) const override;

private:
    compat::wstring default_extension_;  // with its dot
};
