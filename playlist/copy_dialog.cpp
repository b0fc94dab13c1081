#include "playlist/copy_dialog.h"

#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/user_prompts.h"
#include "playlist/path_helpers.h"

namespace {

constexpr const char* kProgramName = "VELTRA";
// Room is left for "/" + name + number + extension, so every target stays within kMaxPath.
constexpr int kMaxDestinationBytes = static_cast<int>(kMaxPath) - 32;

std::string Bytes(const QString& text) {
    return QFile::encodeName(text).toStdString();
}

QPushButton* MakeButton(const QString& text, int id, QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setProperty("controlId", id);
    // Enter must not press anything in this dialog.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

CopyDialog::CopyDialog(QWidget* parent, const std::string& initialFolder) : QDialog(parent) {
    setWindowTitle(tr("リスト内のファイルコピー （ ファイル名 000～999 に変換 ）"));
    setProperty("dialogId", kDialogId);

    m_pRename = new QLineEdit(this);
    m_pRename->setProperty("controlId", 1005);
    m_pDest = new QLineEdit(this);
    m_pDest->setProperty("controlId", 1008);
    m_pDest->setText(QFile::decodeName(QByteArray::fromStdString(initialFolder)));
    // Room for a usual folder path, so that the field does not open on its tail alone.
    m_pDest->setMinimumWidth(m_pDest->fontMetrics().averageCharWidth() * 48);
    m_pBrowse = MakeButton(QStringLiteral("..."), 1009, this);
    m_pOk = MakeButton(QStringLiteral("OK"), 1006, this);
    QPushButton* cancel = MakeButton(tr("ｷｬﾝｾﾙ"), 2, this);
    m_pOk->setEnabled(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("リネーム名"), this), 0, 0);
    grid->addWidget(m_pRename, 0, 1, 1, 2);
    grid->addWidget(new QLabel(tr("コピー先"), this), 1, 0);
    grid->addWidget(m_pDest, 1, 1);
    grid->addWidget(m_pBrowse, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_pOk);
    buttons->addWidget(cancel);
    grid->addLayout(buttons, 2, 0, 1, 3);

    connect(m_pRename, &QLineEdit::textChanged, this, &CopyDialog::OnRenameEdited);
    connect(m_pBrowse, &QPushButton::clicked, this, &CopyDialog::Browse);
    connect(m_pOk, &QPushButton::clicked, this, [this] { Accept(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CopyDialog::OnRenameEdited(const QString& text) {
    // The limit is in bytes of the stored name, not in characters; cut whole characters.
    if (Bytes(text).size() > static_cast<std::size_t>(kMaxRenameBytes)) {
        QString cut = text;
        while (!cut.isEmpty() && Bytes(cut).size() > static_cast<std::size_t>(kMaxRenameBytes))
            cut.chop(cut.size() >= 2 && cut.at(cut.size() - 1).isLowSurrogate() ? 2 : 1);
        const QSignalBlocker block(m_pRename);
        m_pRename->setText(cut);
    }
    m_pOk->setEnabled(!m_pRename->text().isEmpty());
}

bool CopyDialog::Accept() {
    const std::string rename = Bytes(m_pRename->text());
    std::string dest = Bytes(m_pDest->text());
    while (dest.size() > 1 && dest.back() == '/') dest.pop_back();
    if (rename.empty())
        return false;
    if (dest.size() > static_cast<std::size_t>(kMaxDestinationBytes)) {
        Prompts().MessageBox(this,
                             tr("コピー先は %1 バイト以内で入力してください。")
                                 .arg(kMaxDestinationBytes)
                                 .toStdString(),
                             kProgramName, MB_OK | MB_ICONEXCLAMATION);
        m_pDest->setFocus();
        return false;
    }
    if (rename == "." || rename == ".." || rename.find('/') != std::string::npos) {
        Prompts().MessageBox(this, tr("リネーム名に使えない文字が含まれています。").toStdString(),
                             kProgramName, MB_OK | MB_ICONEXCLAMATION);
        m_pRename->setFocus();
        return false;
    }
    m_strRename = rename;
    m_strDestination = dest;
    accept();
    return true;
}

void CopyDialog::Browse() {
    std::string folder = Bytes(m_pDest->text());
    if (Prompts().PromptForFolder(this, tr("ファイルのコピー先を選択してください").toStdString(),
                                  &folder))
        m_pDest->setText(QString::fromUtf8(folder.data(), static_cast<qsizetype>(folder.size())));
}

void CopyDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
