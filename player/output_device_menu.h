// The main menu's output submenu: the server's default first, then the server's outputs by
// their descriptions, the one sound goes to checked. The outputs are listed off the
// interface thread at start and again whenever the submenu opens; a choice is kept in the
// settings file and reaches the next item, and a kept output that is not there plays on
// the default without a word (the choice stays kept for when it comes back).
#pragma once

#include <QObject>
#include <string>
#include <vector>

#include "engine/output_devices.h"

class QActionGroup;
class QMenu;

class OutputDeviceMenu : public QObject {
    Q_OBJECT
  public:
    // Lives as long as submenu (its child).
    explicit OutputDeviceMenu(QMenu* submenu,
                              OutputDeviceLister::Source source = ListServerOutputs);

    // What picking the output's entry does; an empty name is the default.
    void Choose(const std::string& name);
    const std::vector<OutputDevice>& Listed() const { return m_listed; }

  signals:
    // A listing has come back (and the submenu shows it).
    void listed(int outputs);

  private:
    void Refresh();
    void OnListed(std::vector<OutputDevice> outputs);
    void Rebuild();

    QMenu* m_pMenu;
    OutputDeviceLister m_lister;
    std::string m_strChosen;  // as kept in the settings
    std::vector<OutputDevice> m_listed;
    QActionGroup* m_pGroup = nullptr;
};
