#include "platform/desktop_trash.h"

#include <gio/gio.h>

#include <cerrno>

namespace {

int ErrorNumberOf(const GError* failure) {
    if (!failure || failure->domain != G_IO_ERROR)
        return 0;
    switch (failure->code) {
        case G_IO_ERROR_NOT_FOUND:
            return ENOENT;
        case G_IO_ERROR_PERMISSION_DENIED:
            return EACCES;
        case G_IO_ERROR_NO_SPACE:
            return ENOSPC;
        case G_IO_ERROR_READ_ONLY:
            return EROFS;
        case G_IO_ERROR_FILENAME_TOO_LONG:
            return ENAMETOOLONG;
        case G_IO_ERROR_NOT_SUPPORTED:
            return ENOTSUP;
        default:
            return 0;
    }
}

}  // namespace

bool MoveFileToDesktopTrash(const std::string& path, std::string* error, int* errorNumber) {
    GFile* file = g_file_new_for_path(path.c_str());
    GError* failure = nullptr;
    const gboolean trashed = g_file_trash(file, nullptr, &failure);
    g_object_unref(file);
    if (!trashed) {
        if (error)
            *error = failure && failure->message ? failure->message : "unknown error";
        if (errorNumber)
            *errorNumber = ErrorNumberOf(failure);
        g_clear_error(&failure);
        return false;
    }
    return true;
}
