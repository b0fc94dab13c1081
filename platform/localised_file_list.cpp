#include "platform/localised_file_list.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QTreeView>
#include <algorithm>

QVariant LocalisedFileList::data(const QModelIndex& index, int role) const {
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    if (!files || role != Qt::DisplayRole)
        return QIdentityProxyModel::data(index, role);
    const QModelIndex source = mapToSource(index);
    switch (index.column()) {
        case kSizeColumn:
            // Folders show no size, as in the model itself.
            return files->isDir(source) ? QString()
                                        : QLocale().formattedDataSize(files->size(source));
        case kDateColumn: {
            const QDateTime modified = files->lastModified(source);
            return modified.isValid() ? QLocale().toString(modified, QLocale::ShortFormat)
                                      : QString();
        }
        default:
            return QIdentityProxyModel::data(index, role);
    }
}

namespace {

int Room(const QTreeView& view, const QStringList& texts) {
    const QFontMetrics fm = view.fontMetrics();
    int widest = 0;
    for (const QString& text : texts) widest = std::max(widest, fm.horizontalAdvance(text));
    const int margin = view.style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, &view);
    // Header margins on both sides, and room for the sort arrow beside the title.
    return widest + 4 * margin + fm.height();
}

void Widen(QTreeView& view, int column, const QStringList& texts) {
    QHeaderView* header = view.header();
    QStringList all = texts;
    all << view.model()->headerData(column, Qt::Horizontal).toString();
    header->resizeSection(column, std::max(header->sectionSize(column), Room(view, all)));
}

// The dialog grows, within the screen, until its list shows every column whole: a date
// written longer than Qt's own would otherwise end under the list's edge.
void ShowEveryColumn(QFileDialog& dialog, QTreeView& view) {
    const int missing = view.header()->length() - view.viewport()->width();
    if (missing <= 0)
        return;
    const QScreen* screen = dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() : dialog.width() + missing;
    dialog.resize(std::min(dialog.width() + missing + view.frameWidth() * 2, room),
                  dialog.height());
}

// The list has its width only once the dialog is on the screen.
class ColumnFit : public QObject {
  public:
    ColumnFit(QFileDialog& dialog, QTreeView& view)
        : QObject(&dialog), m_dialog(dialog), m_view(view) {
        dialog.installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == &m_dialog && event->type() == QEvent::Show)
            QTimer::singleShot(0, this, [this] { ShowEveryColumn(m_dialog, m_view); });
        return false;
    }

  private:
    QFileDialog& m_dialog;
    QTreeView& m_view;
};

}  // namespace

void ShowInProgramLocale(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    auto* view = dialog.findChild<QTreeView*>(QStringLiteral("treeView"));
    if (!view)
        return;
    // A new model resets the columns: the widths Qt chose, or the user left, are kept.
    const QByteArray columns = view->header()->saveState();
    dialog.setProxyModel(new LocalisedFileList(&dialog));
    view->header()->restoreState(columns);

    const QDateTime sample(QDate(2000, 12, 28), QTime(23, 58, 58));
    Widen(*view, LocalisedFileList::kDateColumn,
          {QLocale().toString(sample, QLocale::ShortFormat)});
    Widen(*view, LocalisedFileList::kTypeColumn,
          {QCoreApplication::translate("QAbstractFileIconProvider", "Folder",
                                       "All other platforms")});
    new ColumnFit(dialog, *view);
}
