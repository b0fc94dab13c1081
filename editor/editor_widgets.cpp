#include "editor/editor_widgets.h"

#include <QCoreApplication>

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QToolButton>
#include <algorithm>
#include <cstdlib>
#include <functional>

#include "editor/editor_controller.h"
#include "editor/editor_dialog.h"
#include "editor/editor_rules.h"
#include "editor/keyframe_slider.h"
#include "editor/profile_set_dialog.h"
#include "engine/video_widget.h"
#include "platform/window_message.h"
#include "skin/skin_button.h"
#include "skin/skin_slider.h"

using namespace editor;

namespace {

QString Q(const char* utf8) {
    return QCoreApplication::translate("EditorDialog", utf8);
}

// The buttons whose skin faces carry words rather than a glyph.
bool WordFaced(int id) {
    return id == kIdProfile || id == kIdSetPoint || id == kIdExecute || id == kIdCancel;
}

// Up and down arrows beside a field; up reports a negative delta like the platform's
// spin control with its default (reversed) range.
class SpinArrows : public QWidget {
  public:
    SpinArrows(QWidget* parent, std::function<void(int)> onDelta)
        : QWidget(parent), m_OnDelta(std::move(onDelta)) {
        m_pUp = new QToolButton(this);
        m_pUp->setArrowType(Qt::UpArrow);
        m_pDown = new QToolButton(this);
        m_pDown->setArrowType(Qt::DownArrow);
        m_pUp->setAutoRepeat(true);
        m_pDown->setAutoRepeat(true);
        QObject::connect(m_pUp, &QToolButton::clicked, this, [this] { m_OnDelta(-1); });
        QObject::connect(m_pDown, &QToolButton::clicked, this, [this] { m_OnDelta(1); });
    }
    void resizeEvent(QResizeEvent*) override {
        int h = height() / 2;
        m_pUp->setGeometry(0, 0, width(), h);
        m_pDown->setGeometry(0, h, width(), height() - h);
    }

  private:
    std::function<void(int)> m_OnDelta;
    QToolButton* m_pUp;
    QToolButton* m_pDown;
};

}  // namespace

QWidget* EditorWidgets::Get(int id) const {
    auto it = m_Controls.find(id);
    return it == m_Controls.end() ? nullptr : it->second;
}

VideoWidget* EditorWidgets::Preview() const {
    return m_pPreview;
}

KeyframeSlider* EditorWidgets::Slider() const {
    return m_pSlider;
}

SkinButton* EditorWidgets::SkinnedButton(int id) const {
    return dynamic_cast<SkinButton*>(Get(id));
}

void EditorWidgets::SetText(int id, const std::string& text) {
    QString t = QString::fromUtf8(text.c_str());
    if (auto* edit = qobject_cast<QLineEdit*>(Get(id)))
        edit->setText(t);  // notifies like a typed change
    else if (auto* label = qobject_cast<QLabel*>(Get(id)))
        label->setText(t);
}

std::string EditorWidgets::Text(int id) const {
    if (auto* edit = qobject_cast<QLineEdit*>(Get(id)))
        return edit->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(Get(id)))
        return label->text().toStdString();
    return "";
}

void EditorWidgets::SetCaret(int id, int position) {
    if (auto* edit = qobject_cast<QLineEdit*>(Get(id)))
        edit->setCursorPosition(position);
}

int EditorWidgets::Caret(int id) const {
    auto* edit = qobject_cast<QLineEdit*>(Get(id));
    return edit ? edit->cursorPosition() : -1;
}

void EditorWidgets::Enable(int id, bool enable) {
    // The skinned controls drop a hover first, so a disabled one never looks lit.
    QWidget* w = Get(id);
    if (auto* button = dynamic_cast<SkinButton*>(w))
        button->EnableWindow(enable);
    else if (auto* slider = qobject_cast<SkinSlider*>(w))
        slider->EnableWindow(enable);
    else if (w)
        w->setEnabled(enable);
}

void EditorWidgets::Show(int id, bool show) {
    if (QWidget* w = Get(id))
        w->setVisible(show);
    if (id == kIdPreview)
        m_Dialog.update();
}

void EditorWidgets::Check(int id, bool on) {
    if (auto* radio = qobject_cast<QRadioButton*>(Get(id))) {
        if (on)
            radio->setChecked(true);
        else if (radio->isChecked()) {
            // An exclusive group cannot be left empty; the caller checks another next.
            QButtonGroup* group = radio->group();
            bool exclusive = group && group->exclusive();
            if (group)
                group->setExclusive(false);
            radio->setChecked(false);
            if (group)
                group->setExclusive(exclusive);
        }
    }
}

bool EditorWidgets::IsChecked(int id) const {
    auto* radio = qobject_cast<QRadioButton*>(Get(id));
    return radio && radio->isChecked();
}

void EditorWidgets::SetSliderRange(int maximum) {
    m_pSlider->setRange(0, maximum);
}

void EditorWidgets::SetSliderPosition(int position) {
    QSignalBlocker block(m_pSlider);
    m_pSlider->setValue(position);
}

int EditorWidgets::SliderPosition() const {
    return m_pSlider->value();
}

void EditorWidgets::SetVolumeSpin(int minimum, int maximum, int position) {
    m_nVolumeMin = minimum;
    m_nVolumeMax = maximum;
    m_nVolumePos = position;
}

void EditorWidgets::SetSliderMarks(const std::vector<double>& tenths) {
    m_pSlider->SetMarks(tenths);
}

void EditorWidgets::SetOtherKinds(const std::vector<std::pair<int, std::string>>& kinds) {
    QSignalBlocker block(m_pOtherKind);
    m_pOtherKind->clear();
    for (const auto& [kind, label] : kinds)
        m_pOtherKind->addItem(QString::fromStdString(label), kind);
    // The list shows its entries whole even where the box is narrower.
    m_pOtherKind->view()->setMinimumWidth(m_pOtherKind->view()->sizeHintForColumn(0) + 8);
}

int EditorWidgets::ChosenOtherKind() const {
    return m_pOtherKind->currentIndex() < 0 ? -1 : m_pOtherKind->currentData().toInt();
}

void EditorWidgets::SetWaitCursor(bool wait) {
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void EditorWidgets::Repaint() {
    m_Dialog.update();
}

VideoSurface* EditorWidgets::PreviewSurface() {
    return m_pPreview;
}

QRect EditorWidgets::PreviewRect() const {
    return m_pPreview->rect();
}

QObject* EditorWidgets::NotifyTarget() {
    return &m_Dialog;
}

QWidget* EditorWidgets::Owner() {
    return &m_Dialog;
}

void EditorWidgets::PostClose(bool completed) {
    PostWindowMessage(&m_Dialog, kMsgClose, completed ? 1 : 0);
}

bool EditorWidgets::RunProfileDialog(int* index) {
    ProfileDialog dialog(&m_Dialog);
    if (dialog.Run() != QDialog::Accepted)
        return false;
    *index = dialog.ChosenIndex();
    return true;
}

void EditorWidgets::VolumeStep(int delta) {
    int pos = std::atoi(Text(kIdVolumeField).c_str());
    if (pos < m_nVolumeMin || pos > m_nVolumeMax)
        pos = m_nVolumePos;
    pos = std::clamp(pos + delta, m_nVolumeMin, m_nVolumeMax);
    m_nVolumePos = pos;
    SetText(kIdVolumeField, std::to_string(pos));
}

template <class T>
T* EditorWidgets::Add(int id, T* widget, const QRect& geometry) {
    widget->setGeometry(geometry);
    if (id)
        widget->setObjectName(QString::number(id));
    if (id)
        m_Controls[id] = widget;
    return widget;
}

template <class T>
T* EditorWidgets::Static(int id, T* widget, const QRect& geometry) {
    widget->setAutoFillBackground(false);
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, m_Dialog.m_Skin.background);
    widget->setPalette(palette);
    return Add(id, widget, geometry);
}

SkinButton* EditorWidgets::Button(int id, const char* text, const QRect& geometry) {
    auto* b = Add(id, new SkinButton(&m_Dialog), geometry);
    // The artwork carries the label; the text only names the button for accessibility.
    b->setText(Q(text));
    b->setAccessibleName(Q(text));
    b->setAutoDefault(false);  // Enter must not close or execute anything
    // A face that carries its word shows the program's word where the language differs.
    if (WordFaced(id) && Q(text) != QString::fromUtf8(text))
        b->SetDrawnLabel(Q(text));
    return b;
}

void EditorWidgets::Build() {
    EditorDialog& d = m_Dialog;
    EditorController* c = d.m_pController.get();

    m_pPreview = Add(kIdPreview, new VideoWidget(&d), QRect(15, 35, 240, 180));

    Static(0, new QLabel(Q(QT_TRANSLATE_NOOP("EditorDialog", "ファイル名")), &d),
           QRect(270, 38, 60, 18));
    Static(kIdFileName, new QLabel(Q("NoFile"), &d), QRect(335, 38, 175, 18));
    Static(0, new QLabel(Q(QT_TRANSLATE_NOOP("EditorDialog", "長さ")), &d), QRect(270, 58, 60, 18));
    Static(kIdLength, new QLabel(Q("NoTime"), &d), QRect(335, 58, 175, 18));

    Static(0, new QGroupBox(Q(QT_TRANSLATE_NOOP("EditorDialog", "機能")), &d),
           QRect(265, 82, 245, 112));
    auto* modes = new QButtonGroup(&d);
    auto* asf = Static(
        kIdModeAsf, new QRadioButton(Q(QT_TRANSLATE_NOOP("EditorDialog", "動画＆音声カット")), &d),
        QRect(275, 100, 140, 20));
    auto* avi =
        Static(kIdModeAvi, new QRadioButton(Q(QT_TRANSLATE_NOOP("EditorDialog", "動画カット")), &d),
               QRect(275, 122, 140, 20));
    auto* wav =
        Static(kIdModeWav, new QRadioButton(Q(QT_TRANSLATE_NOOP("EditorDialog", "音声カット")), &d),
               QRect(275, 144, 140, 20));
    modes->addButton(asf);
    modes->addButton(avi);
    modes->addButton(wav);
    BuildPrecisionRows(modes);
    for (QRadioButton* r : {asf, avi, wav})
        QObject::connect(r, &QRadioButton::clicked, &d, [c] { c->OnKindChanged(); });
    Button(kIdProfile, QT_TRANSLATE_NOOP("EditorDialog", "設定"), QRect(425, 98, 70, 24));
    auto* volumeLabel = Static(0, new QLabel(Q(QT_TRANSLATE_NOOP("EditorDialog", "音量")), &d),
                               QRect(275, 168, 40, 18));
    // A longer translation widens the label and moves its field along, inside the box.
    const int wider = std::max(0, volumeLabel->sizeHint().width() - volumeLabel->width());
    volumeLabel->resize(volumeLabel->width() + wider, volumeLabel->height());
    auto* volume = Add(kIdVolumeField, new QLineEdit(&d), QRect(320 + wider, 166, 50, 22));
    Add(kIdVolumeSpin, new SpinArrows(&d, [this](int delta) { VolumeStep(-delta); }),
        QRect(371 + wider, 166, 16, 22));

    m_pSlider = Add(kIdSlider, new KeyframeSlider(Qt::Horizontal, &d), QRect(15, 222, 240, 20));
    Button(kIdStepBack, QT_TRANSLATE_NOOP("EditorDialog", "←"), QRect(15, 250, 32, 26));
    Button(kIdPlay, QT_TRANSLATE_NOOP("EditorDialog", "再生"), QRect(52, 250, 50, 26));
    Button(kIdPause, QT_TRANSLATE_NOOP("EditorDialog", "一停"), QRect(52, 250, 50, 26))->hide();
    Button(kIdStop, QT_TRANSLATE_NOOP("EditorDialog", "停止"), QRect(107, 250, 50, 26));
    Button(kIdStepForward, QT_TRANSLATE_NOOP("EditorDialog", "→"), QRect(162, 250, 32, 26));
    Button(kIdStill, QT_TRANSLATE_NOOP("EditorDialog", "△"), QRect(205, 250, 50, 26));

    Static(0, new QGroupBox(Q(QT_TRANSLATE_NOOP("EditorDialog", "位置")), &d),
           QRect(265, 200, 245, 80));
    auto* points = new QButtonGroup(&d);
    auto* start =
        Static(kIdPointStart, new QRadioButton(Q(QT_TRANSLATE_NOOP("EditorDialog", "始点")), &d),
               QRect(275, 220, 55, 20));
    auto* end =
        Static(kIdPointEnd, new QRadioButton(Q(QT_TRANSLATE_NOOP("EditorDialog", "終点")), &d),
               QRect(275, 246, 55, 20));
    points->addButton(start);
    points->addButton(end);
    auto* startField = Add(kIdStartField, new QLineEdit(&d), QRect(332, 219, 64, 22));
    Add(kIdStartSpin, new SpinArrows(&d, [c](int delta) { c->OnTimeSpin(kIdStartSpin, delta); }),
        QRect(397, 219, 16, 22));
    auto* endField = Add(kIdEndField, new QLineEdit(&d), QRect(332, 245, 64, 22));
    Add(kIdEndSpin, new SpinArrows(&d, [c](int delta) { c->OnTimeSpin(kIdEndSpin, delta); }),
        QRect(397, 245, 16, 22));
    Button(kIdSetPoint, QT_TRANSLATE_NOOP("EditorDialog", "設定"), QRect(425, 231, 70, 24));

    Button(kIdExecute, QT_TRANSLATE_NOOP("EditorDialog", "実行"), QRect(340, 292, 80, 28));
    Button(kIdCancel, QT_TRANSLATE_NOOP("EditorDialog", "ｷｬﾝｾﾙ"), QRect(430, 292, 80, 28));
    Button(kIdClose, QT_TRANSLATE_NOOP("EditorDialog", "-"), QRect(490, 5, 20, 20));

    auto click = [this](int id, auto handler) {
        QObject::connect(SkinnedButton(id), &QAbstractButton::clicked, &m_Dialog, handler);
    };
    click(kIdPlay, [c] { c->OnPlay(); });
    click(kIdPause, [c] { c->OnPause(); });
    click(kIdStop, [c] { c->OnStop(); });
    click(kIdStepBack, [c] { c->OnStep(false); });
    click(kIdStepForward, [c] { c->OnStep(true); });
    click(kIdStill, [c] { c->OnStill(); });
    click(kIdSetPoint, [c] { c->OnSetPoint(); });
    click(kIdProfile, [c] { c->OnProfile(); });
    click(kIdExecute, [c] { c->OnExecute(); });
    click(kIdCancel, [&d] { d.reject(); });
    click(kIdClose, [&d] { d.reject(); });
    QObject::connect(start, &QRadioButton::clicked, &d, [c] { c->OnPointOption(true); });
    QObject::connect(end, &QRadioButton::clicked, &d, [c] { c->OnPointOption(false); });
    QObject::connect(startField, &QLineEdit::textChanged, &d,
                     [c] { c->OnTimeFieldChanged(kIdStartField); });
    QObject::connect(endField, &QLineEdit::textChanged, &d,
                     [c] { c->OnTimeFieldChanged(kIdEndField); });
    QObject::connect(volume, &QLineEdit::textChanged, &d, [c] { c->OnVolumeFieldChanged(); });
    QObject::connect(volume, &QLineEdit::editingFinished, &d, [c] { c->OnVolumeFieldDone(); });

    // Drag, paging and keys all finish with an end-of-track, after the slider has moved;
    // every code before it holds a playing preview.
    QObject::connect(m_pSlider, &SkinSlider::Scrolled, &d, [c](int code, int) {
        if (code == kScrollEnd)
            c->OnSliderEnd();
        else
            c->OnSliderMoving();
    });
}

void EditorWidgets::BuildPrecisionRows(QButtonGroup* modes) {
    EditorDialog& d = m_Dialog;
    EditorController* c = d.m_pController.get();
    // Laid out by size, so that longer texts of another language still fit.
    auto* frames = Add(0, new QWidget(&d), QRect(15, 281, 318, 24));
    auto* frameRow = new QHBoxLayout(frames);
    frameRow->setContentsMargins(0, 0, 0, 0);
    frameRow->setSpacing(4);
    auto tool = [&](int id, const char* text, const char* tip) {
        auto* b = new QToolButton(frames);
        b->setText(Q(text));
        b->setToolTip(Q(tip));
        b->setAccessibleName(Q(tip));
        b->setFocusPolicy(Qt::TabFocus);
        m_Controls[id] = b;
        b->setObjectName(QString::number(id));
        frameRow->addWidget(b);
        return b;
    };
    auto* back = tool(kIdFrameBack, QT_TRANSLATE_NOOP("EditorDialog", "|◀"),
                      QT_TRANSLATE_NOOP("EditorDialog", "1 フレーム戻る (,)"));
    auto* forward = tool(kIdFrameForward, QT_TRANSLATE_NOOP("EditorDialog", "▶|"),
                         QT_TRANSLATE_NOOP("EditorDialog", "1 フレーム進む (.)"));
    frameRow->addSpacing(6);
    auto* markStart = tool(kIdMarkStart, QT_TRANSLATE_NOOP("EditorDialog", "ここから"),
                           QT_TRANSLATE_NOOP("EditorDialog", "今の位置を始点にする (I)"));
    auto* markEnd = tool(kIdMarkEnd, QT_TRANSLATE_NOOP("EditorDialog", "ここまで"),
                         QT_TRANSLATE_NOOP("EditorDialog", "今の位置を終点にする (O)"));
    frameRow->addStretch(1);

    auto* kinds = Add(0, new QWidget(&d), QRect(15, 307, 318, 24));
    auto* kindRow = new QHBoxLayout(kinds);
    kindRow->setContentsMargins(0, 0, 0, 0);
    kindRow->setSpacing(6);
    auto* other =
        Static(kIdModeOther, new QRadioButton(Q(QT_TRANSLATE_NOOP("EditorDialog", "形式")), kinds),
               QRect());
    modes->addButton(other);
    m_pOtherKind = new QComboBox(kinds);
    m_pOtherKind->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_pOtherKind->setMinimumContentsLength(8);
    m_pOtherKind->setAccessibleName(Q(QT_TRANSLATE_NOOP("EditorDialog", "書き出す形式")));
    m_pOtherKind->setObjectName(QString::number(kIdOtherKind));
    m_Controls[kIdOtherKind] = m_pOtherKind;
    kindRow->addWidget(other);
    kindRow->addWidget(m_pOtherKind, 1);

    QObject::connect(back, &QToolButton::clicked, &d, [c] { c->OnFrameStep(false); });
    QObject::connect(forward, &QToolButton::clicked, &d, [c] { c->OnFrameStep(true); });
    QObject::connect(markStart, &QToolButton::clicked, &d, [c] { c->OnMarkHere(true); });
    QObject::connect(markEnd, &QToolButton::clicked, &d, [c] { c->OnMarkHere(false); });
    QObject::connect(other, &QRadioButton::clicked, &d, [c] { c->OnKindChanged(); });
    QObject::connect(m_pOtherKind, QOverload<int>::of(&QComboBox::activated), &d,
                     [c](int) { c->OnOtherKindChosen(); });

    // The keys of the players people know: , and . a frame (Left and Right as well), I
    // and O for the points. A field being typed in keeps its keys (it takes them first).
    auto key = [&](QKeySequence sequence, std::function<void()> action) {
        auto* shortcut = new QShortcut(sequence, &d);
        shortcut->setContext(Qt::WindowShortcut);
        QObject::connect(shortcut, &QShortcut::activated, &d, [this, action] {
            if (!m_Dialog.m_bShutDown)
                action();
        });
    };
    key(QKeySequence(Qt::Key_Comma), [c] { c->OnFrameStep(false); });
    key(QKeySequence(Qt::Key_Period), [c] { c->OnFrameStep(true); });
    key(QKeySequence(Qt::Key_Left), [c] { c->OnFrameStep(false); });
    key(QKeySequence(Qt::Key_Right), [c] { c->OnFrameStep(true); });
    key(QKeySequence(Qt::Key_I), [c] { c->OnMarkHere(true); });
    key(QKeySequence(Qt::Key_O), [c] { c->OnMarkHere(false); });
}
