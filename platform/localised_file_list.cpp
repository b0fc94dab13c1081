#include "platform/localised_file_list.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QScreen>
#include <QStyle>
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

// Returns by how much the column grew.
int Widen(QTreeView& view, int column, const QStringList& texts) {
    QHeaderView* header = view.header();
    QStringList all = texts;
    all << view.model()->headerData(column, Qt::Horizontal).toString();
    const int before = header->sectionSize(column);
    header->resizeSection(column, std::max(before, Room(view, all)));
    return header->sectionSize(column) - before;
}

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
    const int grown = Widen(*view, LocalisedFileList::kDateColumn,
                            {QLocale().toString(sample, QLocale::ShortFormat)}) +
                      Widen(*view, LocalisedFileList::kTypeColumn,
                            {QCoreApplication::translate("QAbstractFileIconProvider", "Folder",
                                                         "All other platforms")});
    // The dialog grows by as much, within the screen, so that the columns Qt sized to fit
    // still show whole: a longer date would otherwise end under the list's edge.
    if (grown > 0) {
        const QSize size = dialog.isVisible() || dialog.testAttribute(Qt::WA_Resized)
                               ? dialog.size()
                               : dialog.sizeHint();
        const QScreen* screen =
            dialog.screen() ? dialog.screen() : QGuiApplication::primaryScreen();
        const int room = screen ? screen->availableGeometry().width() : size.width() + grown;
        dialog.resize(std::min(size.width() + grown, room), size.height());
    }
}
