#include "app/about_dialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include "app/resource_picture.h"

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("VELTRA のﾊﾞｰｼﾞｮﾝ情報"));
    auto* row = new QHBoxLayout;
    QPixmap icon = LoadResourcePicture(QStringLiteral(":/resources/veltra.png"), "png");
    if (!icon.isNull()) {
        auto* iconLabel = new QLabel(this);
        iconLabel->setObjectName(QStringLiteral("icon"));
        iconLabel->setPixmap(icon.scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        row->addWidget(iconLabel);
    }
    auto* version = new QLabel(QStringLiteral("Version 1.1"), this);
    version->setObjectName(QStringLiteral("version"));
    row->addWidget(version, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
