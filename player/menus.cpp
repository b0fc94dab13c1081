#include "player/menus.h"

#include <QAction>
#include <QCoreApplication>
#include <QKeySequence>

namespace menus {

namespace {

QAction* Add(QMenu* menu, int command, const char* text, const char* statusTip = nullptr,
             bool checkable = false) {
    QAction* a = menu->addAction(QCoreApplication::translate("Menus", text));
    a->setData(command);
    a->setCheckable(checkable);
    // The menu opens as a pop-up, where some styles would hide the shortcuts it teaches.
    a->setShortcutVisibleInContextMenu(true);
    if (statusTip)
        a->setStatusTip(QCoreApplication::translate("Menus", statusTip));
    return a;
}

}  // namespace

std::unique_ptr<QMenu> BuildMainMenu(QWidget* parent) {
    auto menu = std::make_unique<QMenu>(QCoreApplication::translate("Menus", "&MENU"), parent);
    QMenu* file = menu->addMenu(QCoreApplication::translate("Menus", "ファイル（&F）"));
    Add(file, kOpen, QT_TRANSLATE_NOOP("Menus", "ファイルを開く(&O)"))
        ->setShortcut(QKeySequence::Open);
    Add(file, kSavePlaylist, QT_TRANSLATE_NOOP("Menus", "プレイリストの保存(&S)"))
        ->setShortcut(QKeySequence::Save);
    Add(file, kExit, QT_TRANSLATE_NOOP("Menus", "アプリケーションの終了(&E)"));
    QMenu* system = menu->addMenu(QCoreApplication::translate("Menus", "システム（&S）"));
    Add(system, kCopyList, QT_TRANSLATE_NOOP("Menus", "リスト内のコピー(&P)"));
    Add(system, kClearList, QT_TRANSLATE_NOOP("Menus", "リストのクリアー(&C)"));
    QMenu* view = menu->addMenu(QCoreApplication::translate("Menus", "リスト表示（&L）"));
    Add(view, kViewIcon, QT_TRANSLATE_NOOP("Menus", "アイコン(&N)"),
        QT_TRANSLATE_NOOP("Menus", "大きいアイコン"), true);
    Add(view, kViewReport, QT_TRANSLATE_NOOP("Menus", "詳細（&D）"),
        QT_TRANSLATE_NOOP("Menus", "詳細"), true);
    Add(view, kViewSmallIcon, QT_TRANSLATE_NOOP("Menus", "並べて表示(&S)"),
        QT_TRANSLATE_NOOP("Menus", "小さいアイコン"), true);
    Add(view, kViewList, QT_TRANSLATE_NOOP("Menus", "一覧（&L）"),
        QT_TRANSLATE_NOOP("Menus", "一覧"), true);
    QMenu* screen = menu->addMenu(QCoreApplication::translate("Menus", "画面設定（&V）"));
    Add(screen, kOriginalSize, QT_TRANSLATE_NOOP("Menus", "原画サイズ(&N)"),
        QT_TRANSLATE_NOOP("Menus", "再生時に、ウィンドウを原寸サイズにします。"), true);
    Add(screen, kKeepWindowSize, QT_TRANSLATE_NOOP("Menus", "ウィンドウサイズ優先（&S）"),
        QT_TRANSLATE_NOOP("Menus", "再生時に、ウィンドウサイズを維持したままにします。"), true);
    // Filled with the sound server's outputs by OutputDeviceMenu.
    menu->addMenu(QCoreApplication::translate("Menus", "出力デバイス(&D)"))
        ->setObjectName(kOutputDeviceMenu);
    QMenu* info = menu->addMenu(QCoreApplication::translate("Menus", "情報(&A)"));
    Add(info, kAbout, QT_TRANSLATE_NOOP("Menus", "バージョン情報（&A）"));
    return menu;
}

std::unique_ptr<QMenu> BuildViewerMenu(QWidget* parent) {
    auto menu = std::make_unique<QMenu>(QCoreApplication::translate("Menus", "設定"), parent);
    Add(menu.get(), kViewerFullScreen, QT_TRANSLATE_NOOP("Menus", "全画面切り替え(&F)"));
    Add(menu.get(), kViewerPlay, QT_TRANSLATE_NOOP("Menus", "再生（&P）"));
    Add(menu.get(), kViewerPause, QT_TRANSLATE_NOOP("Menus", "一時停止(&T)"));
    Add(menu.get(), kViewerStop, QT_TRANSLATE_NOOP("Menus", "停止(&S)"));
    Add(menu.get(), kViewerSubtitles, QT_TRANSLATE_NOOP("Menus", "字幕を表示(&U)"), nullptr, true)
        ->setShortcut(QKeySequence(Qt::Key_J));
    Add(menu.get(), kViewerCancel, QT_TRANSLATE_NOOP("Menus", "キャンセル（&C）"));
    return menu;
}

QAction* FindCommand(QMenu* menu, int command) {
    if (!menu)
        return nullptr;
    for (QAction* a : menu->actions()) {
        if (a->menu()) {
            if (QAction* found = FindCommand(a->menu(), command))
                return found;
        } else if (a->data().toInt() == command) {
            return a;
        }
    }
    return nullptr;
}

void CheckCommand(QMenu* menu, int checked, std::initializer_list<int> group) {
    for (int command : group)
        if (QAction* a = FindCommand(menu, command))
            a->setChecked(command == checked);
}

}  // namespace menus
