#include "player/menus.h"

#include <QAction>
#include <QKeySequence>

namespace menus {

namespace {

QAction* Add(QMenu* menu, int command, const char* text, const char* statusTip = nullptr,
             bool checkable = false) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setData(command);
    a->setCheckable(checkable);
    // The menu opens as a pop-up, where some styles would hide the shortcuts it teaches.
    a->setShortcutVisibleInContextMenu(true);
    if (statusTip)
        a->setStatusTip(QString::fromUtf8(statusTip));
    return a;
}

}  // namespace

std::unique_ptr<QMenu> BuildMainMenu(QWidget* parent) {
    auto menu = std::make_unique<QMenu>(QStringLiteral("&MENU"), parent);
    QMenu* file = menu->addMenu(QString::fromUtf8("ファイル（&F）"));
    Add(file, kOpen, "ファイルを開く(&O)")->setShortcut(QKeySequence::Open);
    Add(file, kSavePlaylist, "プレイリストの保存(&S)")->setShortcut(QKeySequence::Save);
    Add(file, kExit, "アプリケーションの終了(&E)");
    QMenu* system = menu->addMenu(QString::fromUtf8("システム（&S）"));
    Add(system, kCopyList, "リスト内のコピー(&P)");
    Add(system, kClearList, "リストのクリアー(&C)");
    QMenu* view = menu->addMenu(QString::fromUtf8("リスト表示（&L）"));
    Add(view, kViewIcon, "アイコン(&N)", "大きいアイコン", true);
    Add(view, kViewReport, "詳細（&D）", "詳細", true);
    Add(view, kViewSmallIcon, "並べて表示(&S)", "小さいアイコン", true);
    Add(view, kViewList, "一覧（&L）", "一覧", true);
    QMenu* screen = menu->addMenu(QString::fromUtf8("画面設定（&V）"));
    Add(screen, kOriginalSize, "原画サイズ(&N)", "再生時に、ウィンドウを原寸サイズにします。",
        true);
    Add(screen, kKeepWindowSize, "ウィンドウサイズ優先（&S）",
        "再生時に、ウィンドウサイズを維持したままにします。", true);
    QMenu* info = menu->addMenu(QString::fromUtf8("情報(&A)"));
    Add(info, kAbout, "バージョン情報（&A）");
    return menu;
}

std::unique_ptr<QMenu> BuildViewerMenu(QWidget* parent) {
    auto menu = std::make_unique<QMenu>(QString::fromUtf8("設定"), parent);
    Add(menu.get(), kViewerFullScreen, "全画面切り替え(&F)");
    Add(menu.get(), kViewerPlay, "再生（&P）");
    Add(menu.get(), kViewerPause, "一時停止(&T)");
    Add(menu.get(), kViewerStop, "停止(&S)");
    Add(menu.get(), kViewerCancel, "キャンセル（&C）");
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
