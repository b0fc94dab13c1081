#include "player/output_device_menu.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QMenu>

#include "platform/output_choice.h"
#include "platform/settings.h"
#include "platform/sound_output.h"
#include "player/player_log.h"

namespace {

constexpr const char* kDefaultOutput = QT_TRANSLATE_NOOP("Menus", "システムの既定");

}  // namespace

OutputDeviceMenu::OutputDeviceMenu(QMenu* submenu, OutputDeviceLister::Source source)
    : QObject(submenu), m_pMenu(submenu), m_lister(std::move(source)) {
    m_strChosen = ReadSoundOutput();
    // Until the server has been asked, a stream waits (briefly) rather than start on the
    // default when the user chose another output.
    if (!m_strChosen.empty())
        ExpectSoundOutput();
    else
        SetSoundOutput({});
    connect(m_pMenu, &QMenu::aboutToShow, this, [this] { Refresh(); });
    Rebuild();
    // The first item may be opened on this thread before the listing is handed back here:
    // the listing itself answers where its sound goes.
    m_lister.Start(
        this, [this](std::vector<OutputDevice> outputs) { OnListed(std::move(outputs)); },
        [chosen = m_strChosen](const std::vector<OutputDevice>& outputs) {
            SetSoundOutput(ResolveOutput(chosen, outputs));
        });
}

void OutputDeviceMenu::Choose(const std::string& name) {
    m_strChosen = name;
    if (!WriteSoundOutput(name))
        qCWarning(lcPlayer) << "the output choice could not be kept in"
                            << QString::fromStdString(SettingsFilePath());
    const OutputDevice effective = ResolveOutput(m_strChosen, m_listed);
    SetSoundOutput(effective);
    // Only the marks change: the entry that was picked may still be emitting its signal.
    for (QAction* a : m_pMenu->actions())
        a->setChecked(a->data().toString().toStdString() == effective.name);
}

void OutputDeviceMenu::Refresh() {
    m_lister.Start(this,
                   [this](std::vector<OutputDevice> outputs) { OnListed(std::move(outputs)); });
}

void OutputDeviceMenu::OnListed(std::vector<OutputDevice> outputs) {
    const bool changed = outputs != m_listed;
    m_listed = std::move(outputs);
    SetSoundOutput(ResolveOutput(m_strChosen, m_listed));
    // An open submenu is rebuilt only when the outputs changed: the entry under the
    // keyboard stays where it is.
    if (changed)
        Rebuild();
    qCInfo(lcPlayer) << "output devices" << m_listed.size();
    emit listed(static_cast<int>(m_listed.size()));
}

void OutputDeviceMenu::Rebuild() {
    m_pMenu->clear();
    delete m_pGroup;
    m_pGroup = new QActionGroup(m_pMenu);
    const std::string effective = ResolveOutput(m_strChosen, m_listed).name;
    const QString defaultLabel = QCoreApplication::translate("Menus", kDefaultOutput);
    for (const OutputMenuEntry& e :
         OutputMenuEntries(m_listed, effective, defaultLabel.toStdString())) {
        QAction* a = m_pMenu->addAction(QString::fromStdString(e.label));
        a->setCheckable(true);
        a->setChecked(e.checked);
        a->setActionGroup(m_pGroup);
        a->setData(QString::fromStdString(e.name));
        connect(a, &QAction::triggered, this, [this, name = e.name] { Choose(name); });
    }
}
