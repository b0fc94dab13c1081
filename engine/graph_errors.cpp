#include "engine/graph_errors.h"

#include <gst/gst.h>

#include <QDebug>

#include "engine/graph_results.h"

HRESULT ResultOfError(const GError* err) {
    if (!err)
        return E_FAIL;
    if (err->domain == GST_RESOURCE_ERROR) {
        switch (err->code) {
            case GST_RESOURCE_ERROR_NOT_FOUND:
                return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
            case GST_RESOURCE_ERROR_OPEN_READ:
            case GST_RESOURCE_ERROR_OPEN_WRITE:
            case GST_RESOURCE_ERROR_OPEN_READ_WRITE:
            case GST_RESOURCE_ERROR_NOT_AUTHORIZED:
                return E_ACCESSDENIED;
            case GST_RESOURCE_ERROR_NO_SPACE_LEFT:
                return HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL);
            case GST_RESOURCE_ERROR_WRITE:
                return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
            default:
                return E_FAIL;
        }
    }
    if (err->domain == GST_STREAM_ERROR) {
        switch (err->code) {
            case GST_STREAM_ERROR_TYPE_NOT_FOUND:
            case GST_STREAM_ERROR_WRONG_TYPE:
                return VFW_E_UNKNOWN_FILE_TYPE;
            case GST_STREAM_ERROR_CODEC_NOT_FOUND:
                return VFW_E_UNSUPPORTED_STREAM;
            case GST_STREAM_ERROR_DECODE:
            case GST_STREAM_ERROR_DEMUX:
            case GST_STREAM_ERROR_FORMAT:
                return VFW_E_INVALID_FILE_FORMAT;
            default:
                return VFW_E_CANNOT_RENDER;
        }
    }
    if (err->domain == GST_CORE_ERROR && err->code == GST_CORE_ERROR_MISSING_PLUGIN)
        return VFW_E_UNSUPPORTED_STREAM;
    return E_FAIL;
}

HRESULT ResultOfMessage(GstMessage* msg) {
    GError* err = nullptr;
    gchar* debug = nullptr;
    gst_message_parse_error(msg, &err, &debug);
    qWarning("engine: %s (%s)", err ? err->message : "error", debug ? debug : "");
    HRESULT hr = ResultOfError(err);
    if (err)
        g_error_free(err);
    g_free(debug);
    return hr;
}
