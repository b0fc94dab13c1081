// The Qt dialogs behind the prompts seam: QMessageBox and QFileDialog.
#pragma once

#include <string>

#include "platform/user_prompts.h"

// The process-wide Qt implementation (what Prompts() gives when nothing else is set).
UserPrompts& QtUserPrompts();

// "Label|*.a;*.b|Label 2|*.c||" to Qt's "Label (*.a *.b);;Label 2 (*.c)" form.
std::string QtNameFilterFromWindows(const std::string& filter);
