#include "platform/desktop_trash.h"

#include <gio/gio.h>

bool MoveFileToDesktopTrash(const std::string& path, std::string* error) {
    GFile* file = g_file_new_for_path(path.c_str());
    GError* failure = nullptr;
    const gboolean trashed = g_file_trash(file, nullptr, &failure);
    g_object_unref(file);
    if (!trashed) {
        if (error)
            *error = failure && failure->message ? failure->message : "unknown error";
        g_clear_error(&failure);
        return false;
    }
    return true;
}
