// The Qt dialogs behind the prompts seam: QMessageBox and QFileDialog.
#pragma once

#include <string>

#include "platform/user_prompts.h"

#include <QFileDialog>
#include <QString>
#include <utility>
#include <vector>

// The process-wide Qt implementation (what Prompts() gives when nothing else is set).
UserPrompts& QtUserPrompts();

// "Label|*.a;*.b|Label 2|*.c||" to Qt's "Label (*.a *.b);;Label 2 (*.c)" form.
std::string QtNameFilterFromWindows(const std::string& filter);

// The file dialog of the prompts. A bare save name gets the extension of the filter in
// force when the user confirms, before Qt asks about replacing an existing file, so the
// question is about the name that will really be written. It is Qt's own dialog, never the
// desktop's, so that its texts, dates and sizes are in the program's language.
class PromptFileDialog : public QFileDialog {
  public:
    explicit PromptFileDialog(QWidget* owner = nullptr);
    // Mode, title, filters and start folder from the request.
    void Configure(const FilePromptRequest& request);
    // A folder prompt starting in start (when that is a folder).
    void ConfigureForFolder(const QString& title, const QString& start);
    // Index of the request's filter pair now in force.
    int ChosenFilter() const;
    void accept() override;

  private:
    struct Filter {
        QString name;       // Qt's form, as shown
        QString extension;  // what a bare name gets under it
        int pair = 0;       // index of the request's label/pattern pair
    };
    std::vector<Filter> m_Filters;
    QString m_Fallback;  // the request's default extension
};
