// What a GStreamer error means for the program: the result the failure texts carry.
#pragma once

#include "platform/com.h"

typedef struct _GError GError;
typedef struct _GstMessage GstMessage;

HRESULT ResultOfError(const GError* err);
// Logs an error message and returns its result.
HRESULT ResultOfMessage(GstMessage* msg);
