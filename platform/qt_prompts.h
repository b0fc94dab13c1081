// The Qt dialogs behind the prompts seam: QMessageBox and QFileDialog.
#pragma once

#include <string>

#include "platform/user_prompts.h"

class QFileDialog;

// The process-wide Qt implementation (what Prompts() gives when nothing else is set).
UserPrompts& QtUserPrompts();

// "Label|*.a;*.b|Label 2|*.c||" to Qt's "Label (*.a *.b);;Label 2 (*.c)" form.
std::string QtNameFilterFromWindows(const std::string& filter);

// Sets the dialog up for the request: mode, title, filters, start folder, and the
// extension added to a bare name, which follows the filter the user picks, so the
// question before replacing a file is asked about the name that will be written.
void ConfigureFileDialog(QFileDialog& dialog, const FilePromptRequest& request);
