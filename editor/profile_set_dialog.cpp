#include "editor/profile_set_dialog.h"

#include <QComboBox>
#include <QPushButton>

#include "editor/editor_rules.h"
#include "engine/profiles.h"
#include "platform/user_prompts.h"

ProfileDialog::ProfileDialog(QWidget* parent, Lister lister)
    : QDialog(parent), m_Lister(std::move(lister)) {
    if (!m_Lister)
        m_Lister = [](int selector, std::vector<std::string>* names) {
            return ListProfiles(selector, names);
        };
    setWindowTitle(QStringLiteral("ProfileSet"));
    setFixedSize(311, 100);
    m_pCombo = new QComboBox(this);
    m_pCombo->setObjectName(QStringLiteral("1061"));
    m_pCombo->setGeometry(10, 12, 291, 24);
    m_pOk = new QPushButton(QStringLiteral("OK"), this);
    m_pOk->setObjectName(QStringLiteral("1"));
    m_pOk->setGeometry(130, 62, 80, 26);
    m_pOk->setDefault(true);
    m_pCancel = new QPushButton(tr("ｷｬﾝｾﾙ"), this);
    m_pCancel->setObjectName(QStringLiteral("2"));
    m_pCancel->setGeometry(220, 62, 80, 26);
    connect(m_pOk, &QPushButton::clicked, this, &ProfileDialog::accept);
    connect(m_pCancel, &QPushButton::clicked, this, &ProfileDialog::reject);
}

ProfileDialog::~ProfileDialog() = default;

bool ProfileDialog::Initialise() {
    m_nChosen = 0;
    std::vector<std::string> names;
    for (int selector : {2, 1}) {
        // A listing that failed half-way must not shift the indices of the next one.
        names.clear();
        if (m_Lister(selector, &names)) {
            m_nSelector = selector;
            break;
        }
    }
    if (m_nSelector < 0) {
        Prompts().MessageBox(this, tr("リストを取得できませんでした。").toStdString(),
                             editor::kProgramName, MB_OK);
        return false;
    }
    // Unsorted on purpose: an entry's position is its profile index.
    m_pCombo->clear();
    for (const std::string& name : names) m_pCombo->addItem(QString::fromUtf8(name.c_str()));
    if (m_pCombo->count() > 0)
        m_pCombo->setCurrentIndex(0);
    return true;
}

int ProfileDialog::Run() {
    if (!Initialise()) {
        setResult(QDialog::Rejected);
        return QDialog::Rejected;
    }
    return exec();
}

void ProfileDialog::accept() {
    m_nChosen = m_pCombo->currentIndex();
    QDialog::accept();
}
