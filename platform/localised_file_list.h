// Qt's file dialog writes its dates and sizes in the desktop's locale (LANG), which need not
// be the language the program speaks; this model in front of its file list writes them in
// the program's own locale (QLocale's default) instead.
#pragma once

#include <QIdentityProxyModel>

class QFileDialog;

class LocalisedFileList : public QIdentityProxyModel {
  public:
    using QIdentityProxyModel::QIdentityProxyModel;
    QVariant data(const QModelIndex& index, int role) const override;

    // The file system model's columns.
    static constexpr int kSizeColumn = 1;
    static constexpr int kTypeColumn = 2;
    static constexpr int kDateColumn = 3;
};

// Puts a LocalisedFileList in front of the dialog's files (the dialog owns it) and makes the
// type and date columns wide enough for their texts in that language, keeping any wider
// width the user left; the dialog grows by as much (within the screen), so that every
// column still shows whole. A dialog drawn by the desktop is not touched.
void ShowInProgramLocale(QFileDialog& dialog);
