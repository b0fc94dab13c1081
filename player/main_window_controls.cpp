#include "player/main_window_controls.h"

#include <QCoreApplication>
#include <QKeySequence>

#include "player/time_readout.h"
#include "playlist/playlist_ctrl.h"
#include "skin/skin_button.h"
#include "skin/skin_slider.h"

namespace player {

namespace {

constexpr const char* kSlotTexts[kSlotCount] = {"-",
                                                "×",
                                                QT_TRANSLATE_NOOP("MainWindow", "&Edit"),
                                                QT_TRANSLATE_NOOP("MainWindow", "&Viewer"),
                                                QT_TRANSLATE_NOOP("MainWindow", "MENU"),
                                                QT_TRANSLATE_NOOP("MainWindow", "開く"),
                                                QT_TRANSLATE_NOOP("MainWindow", "停止"),
                                                QT_TRANSLATE_NOOP("MainWindow", "再生"),
                                                QT_TRANSLATE_NOOP("MainWindow", "一停"),
                                                QT_TRANSLATE_NOOP("MainWindow", "前へ"),
                                                QT_TRANSLATE_NOOP("MainWindow", "次へ")};
constexpr const char* kSlotNames[kSlotCount] = {"minimize", "close",    "edit", "viewer",
                                                "menu",     "open",     "stop", "play",
                                                "pause",    "previous", "next"};

// The window's texts keep the window's own translation context wherever they are set.
QString WindowText(const char* text) {
    return QCoreApplication::translate("MainWindow", text);
}

}  // namespace

MainWindowControls::MainWindowControls(QWidget* window) {
    m_pList = new PlaylistCtrl(window);
    for (int i = 0; i < kSlotCount; ++i) {
        m_Buttons[i] = new SkinButton(window);
        m_Buttons[i]->setText(WindowText(kSlotTexts[i]));
        m_Buttons[i]->setObjectName(kSlotNames[i]);
        // Tab reaches every button (with the skin's focus mark); a click does not take
        // the focus away from the list.
        m_Buttons[i]->setFocusPolicy(Qt::TabFocus);
    }
    m_pSeek = new SkinSlider(Qt::Horizontal, window);
    m_pVolume = new SkinSlider(Qt::Horizontal, window);
    m_pSeek->setObjectName("seek");
    m_pVolume->setObjectName("volume");
    m_pSeek->setFocusPolicy(Qt::TabFocus);
    m_pVolume->setFocusPolicy(Qt::TabFocus);
    m_pReadout = new TimeReadout(window);
    m_pReadout->setObjectName("time");
}

const char* MainWindowControls::NameOf(ButtonSlot slot) {
    return kSlotNames[slot];
}

void MainWindowControls::SetToolTips() {
    auto keys = [](const QKeySequence& k) { return k.toString(QKeySequence::NativeText); };
    auto tip = [this](int slot, const QString& text) { m_Buttons[slot]->setToolTip(text); };
    tip(kSlotPlay, QCoreApplication::translate("MainWindow", "再生 (%1 / %2)")
                       .arg(keys(Qt::Key_Space), keys(Qt::Key_Return)));
    tip(kSlotPause,
        QCoreApplication::translate("MainWindow", "一時停止 (%1)").arg(keys(Qt::Key_Space)));
    tip(kSlotStop, QCoreApplication::translate("MainWindow", "停止"));
    tip(kSlotOpen,
        QCoreApplication::translate("MainWindow", "開く (%1)").arg(keys(QKeySequence::Open)));
    tip(kSlotPrevious, QCoreApplication::translate("MainWindow", "前へ"));
    tip(kSlotNext, QCoreApplication::translate("MainWindow", "次へ"));
    tip(kSlotMenu, QCoreApplication::translate("MainWindow", "メニュー"));
    tip(kSlotEdit, QCoreApplication::translate("MainWindow", "編集"));
    tip(kSlotViewer, QCoreApplication::translate("MainWindow", "ビューア"));
    tip(kSlotMinimize, QCoreApplication::translate("MainWindow", "最小化"));
    tip(kSlotClose, QCoreApplication::translate("MainWindow", "閉じる"));
    m_pSeek->setToolTip(
        QCoreApplication::translate("MainWindow", "再生位置 (%1 %2: 5 秒, %3: 30 秒, ホイール)")
            .arg(keys(Qt::Key_Left), keys(Qt::Key_Right), keys(Qt::ShiftModifier | Qt::Key_Left)));
    m_pVolume->setToolTip(QCoreApplication::translate("MainWindow", "音量 (+ / -, ホイール)"));
    // Screen readers name the sliders; the buttons are named by their texts.
    m_pSeek->setAccessibleName(QCoreApplication::translate("MainWindow", "再生位置"));
    m_pVolume->setAccessibleName(QCoreApplication::translate("MainWindow", "音量"));
}

}  // namespace player
