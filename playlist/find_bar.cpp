#include "playlist/find_bar.h"

#include <QKeyEvent>

FindBar::FindBar(QWidget* parent) : QLineEdit(parent) {
    setPlaceholderText(tr("検索 (名前・タイトル・アーティスト・アルバム)"));
    setClearButtonEnabled(true);
}

void FindBar::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            emit CloseRequested();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit PlayRequested();
            return;
        case Qt::Key_Down:
            emit ListRequested();
            return;
    }
    QLineEdit::keyPressEvent(event);
}
