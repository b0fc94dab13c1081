#include "editor/profile_set_dialog.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

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
    setFixedSize(kDialogWidth, 100);
    m_pCombo = new QComboBox(this);
    m_pCombo->setObjectName(QStringLiteral("1061"));
    m_pCombo->setGeometry(10, 12, kComboWidth, 24);
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

void ProfileDialog::FitNames() {
    // Profile names come from the system and can be far longer than the stored layout
    // allows: the dialog grows with its widest name (no wider than the screen), its
    // buttons staying at the right edge, and the open list is never narrower than a name.
    const QFontMetrics fm = m_pCombo->fontMetrics();
    int widest = 0;
    for (int i = 0; i < m_pCombo->count(); ++i)
        widest = std::max(widest, fm.horizontalAdvance(m_pCombo->itemText(i)));
    const int frame = 2 * style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, m_pCombo);
    m_pCombo->view()->setMinimumWidth(
        widest + frame + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_pCombo) +
        fm.averageCharWidth() * 2);

    m_pCombo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() - 20 : kComboWidth;
    const int field = std::min(std::max(kComboWidth, m_pCombo->sizeHint().width()), room);
    const int extra = field - kComboWidth;
    setFixedSize(kDialogWidth + extra, height());
    m_pCombo->setGeometry(10, 12, field, 24);
    for (QPushButton* button : {m_pOk, m_pCancel})
        button->move(button->geometry().left() + extra - m_nGrown, button->y());
    m_nGrown = extra;
}

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
    FitNames();
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
