// Loaded into the program under test: several times a second it writes every text its
// visible windows show (titles, labels, buttons, menus, list headers and rows, tool tips,
// accessible names) to the file TEXT_PROBE_FILE names, one per line as
// "KIND<TAB>CLASS<TAB>fits|cut<TAB>TEXT", each window introduced by a line
// "window<TAB>CLASS<TAB>NAME<TAB>TITLE<TAB>X<TAB>Y<TAB>W<TAB>H".
#include <cxxabi.h>
#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGenericPlugin>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QSaveFile>
#include <QStyleOptionButton>
#include <QTimer>
#include <QTreeView>
#include <cstdlib>
#include <typeinfo>

namespace {

// The widget's own class, also for classes of the program that declare no meta-object.
QString ClassOf(const QWidget* w) {
    int status = 0;
    char* name = abi::__cxa_demangle(typeid(*w).name(), nullptr, nullptr, &status);
    const QString out = QString::fromLatin1(status == 0 && name ? name : typeid(*w).name());
    std::free(name);
    return out;
}

QString OneLine(QString text) {
    return text.replace(QLatin1Char('\n'), QLatin1String("\\n")).replace(QLatin1Char('\t'), ' ');
}

// The text as drawn: mnemonic marks gone, "&&" a single ampersand.
QString Shown(const QString& text) {
    QString out;
    for (int i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        out += text[i];
    }
    return out;
}

int Widest(const QFontMetrics& fm, const QString& text) {
    int widest = 0;
    for (const QString& line : text.split(QLatin1Char('\n')))
        widest = std::max(widest, fm.horizontalAdvance(line));
    return widest;
}

class Dump {
  public:
    void Add(const char* kind, const QWidget* w, const QString& text, bool fits = true) {
        if (text.trimmed().isEmpty())
            return;
        m_out += QString::fromLatin1(kind) + '\t' + ClassOf(w) + '\t' + (fits ? "fits" : "cut") +
                 '\t' + OneLine(text) + '\n';
    }
    void Window(const QWidget* w) {
        const QRect r = w->frameGeometry();
        m_out += QStringLiteral("window\t%1\t%2\t%3\t%4\t%5\t%6\t%7\n")
                     .arg(ClassOf(w), w->objectName(), OneLine(w->windowTitle()))
                     .arg(r.x())
                     .arg(r.y())
                     .arg(r.width())
                     .arg(r.height());
    }
    const QString& Text() const { return m_out; }

  private:
    QString m_out;
};

bool ButtonTextFits(const QAbstractButton* b) {
    QStyleOptionButton option;
    option.initFrom(b);
    option.text = b->text();
    option.rect = b->rect();
    QStyle::SubElement contents = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QRadioButton*>(b))
        contents = QStyle::SE_RadioButtonContents;
    else if (qobject_cast<const QCheckBox*>(b))
        contents = QStyle::SE_CheckBoxContents;
    const QRect room = b->style()->subElementRect(contents, &option, b);
    const QFontMetrics fm = b->fontMetrics();
    return Widest(fm, Shown(b->text())) <= room.width() && fm.height() <= b->height();
}

bool LabelFits(const QLabel* l) {
    if (l->wordWrap() || l->textFormat() == Qt::RichText || !l->pixmap().isNull())
        return true;
    const QRect room = l->contentsRect();
    const QFontMetrics fm = l->fontMetrics();
    const QString text = l->buddy() ? Shown(l->text()) : l->text();
    const int lines = int(text.count(QLatin1Char('\n'))) + 1;
    return Widest(fm, text) <= room.width() && lines * fm.height() <= room.height() + 2;
}

void ItemView(Dump& d, const QAbstractItemView* v) {
    const QAbstractItemModel* m = v->model();
    if (!m)
        return;
    const QHeaderView* header = nullptr;
    if (auto* tree = qobject_cast<const QTreeView*>(v))
        header = tree->isHeaderHidden() ? nullptr : tree->header();
    for (int c = 0; c < m->columnCount(v->rootIndex()); ++c) {
        if (header) {
            if (header->isSectionHidden(c))
                continue;
            const QString text = m->headerData(c, Qt::Horizontal).toString();
            const int margin =
                header->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, header);
            d.Add("header", v, text,
                  header->fontMetrics().horizontalAdvance(text) + 2 * margin <=
                      header->sectionSize(c));
        }
        for (int r = 0; r < std::min(m->rowCount(v->rootIndex()), 40); ++r) {
            const QModelIndex i = m->index(r, c, v->rootIndex());
            d.Add("item", v, i.data(Qt::DisplayRole).toString());
            d.Add("tip", v, i.data(Qt::ToolTipRole).toString());
        }
    }
}

void Widget(Dump& d, const QWidget* w) {
    if (!w->isVisible())
        return;
    d.Add("tip", w, w->toolTip());
    d.Add("accessible", w, w->accessibleName());
    d.Add("accessible", w, w->accessibleDescription());
    if (auto* l = qobject_cast<const QLabel*>(w))
        d.Add("label", w, l->text(), LabelFits(l));
    else if (auto* b = qobject_cast<const QAbstractButton*>(w))
        d.Add("button", w, b->text(), ButtonTextFits(b));
    else if (auto* g = qobject_cast<const QGroupBox*>(w))
        d.Add("group", w, g->title(),
              g->fontMetrics().horizontalAdvance(Shown(g->title())) + 16 <= g->width());
    else if (auto* e = qobject_cast<const QLineEdit*>(w)) {
        d.Add("edit", w, e->text());
        d.Add("placeholder", w, e->placeholderText());
    } else if (auto* c = qobject_cast<const QComboBox*>(w)) {
        for (int i = 0; i < c->count(); ++i) d.Add("choice", w, c->itemText(i));
    } else if (auto* v = qobject_cast<const QAbstractItemView*>(w);
               v && !qobject_cast<const QHeaderView*>(w)) {
        ItemView(d, v);
    } else if (auto* m = qobject_cast<const QMenu*>(w)) {
        d.Add("menu", w, m->title());
        for (const QAction* a : m->actions()) {
            d.Add("action", w, a->text());
            d.Add("status", w, a->statusTip());
        }
    }
    for (const QObject* child : w->children())
        if (child->isWidgetType())
            Widget(d, static_cast<const QWidget*>(child));
}

class TextProbe : public QObject {
  public:
    explicit TextProbe(QString file) : m_file(std::move(file)) {
        connect(&m_timer, &QTimer::timeout, this, [this] { Write(); });
        m_timer.start(150);
    }

  private:
    void Write() {
        if (m_file.isEmpty() || !qobject_cast<QApplication*>(QCoreApplication::instance()))
            return;
        Dump d;
        for (const QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible()) {
                d.Window(top);
                Widget(d, top);
            }
        QSaveFile out(m_file);
        if (out.open(QIODevice::WriteOnly)) {
            out.write(d.Text().toUtf8());
            out.commit();
        }
    }

    QString m_file;
    QTimer m_timer;
};

}  // namespace

class TextProbePlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "text_probe.json")
  public:
    QObject* create(const QString&, const QString&) override {
        return new TextProbe(qEnvironmentVariable("TEXT_PROBE_FILE"));
    }
};

#include "text_probe.moc"
