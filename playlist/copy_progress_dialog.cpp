#include "playlist/copy_progress_dialog.h"

#include <QKeyEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>

// A sheet of paper flying from one folder to the other, looping for as long as it runs.
class CopyAnimation : public QWidget {
  public:
    explicit CopyAnimation(QWidget* parent) : QWidget(parent), m_Timer(this) {
        setFixedSize(272, 60);
        m_Timer.setInterval(60);
        connect(&m_Timer, &QTimer::timeout, this, [this] {
            m_nFrame = (m_nFrame + 1) % kFrames;
            update();
        });
    }
    void Start() { m_Timer.start(); }
    void Stop() { m_Timer.stop(); }
    bool Running() const { return m_Timer.isActive(); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor folder(230, 190, 80);
        p.setPen(folder.darker(150));
        p.setBrush(folder);
        p.drawRect(QRectF(8, 24, 44, 30));
        p.drawRect(QRectF(width() - 52, 24, 44, 30));
        const double t = static_cast<double>(m_nFrame) / (kFrames - 1);
        const double x = 20 + t * (width() - 60);
        const double y = 24 - std::sin(t * M_PI) * 20;
        p.setPen(Qt::darkGray);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(x, y, 18, 22));
    }

  private:
    static constexpr int kFrames = 16;
    QTimer m_Timer;
    int m_nFrame = 0;
};

CopyProgressDialog::CopyProgressDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("ファイルコピー"));
    setProperty("dialogId", kDialogId);
    setModal(false);
    // The window owns itself: whoever keeps a pointer to it uses a QPointer.
    setAttribute(Qt::WA_DeleteOnClose);

    m_pAnimation = new CopyAnimation(this);
    m_pAnimation->setProperty("controlId", 1011);
    m_pBar = new QProgressBar(this);
    m_pBar->setProperty("controlId", 1012);
    m_pBar->setRange(0, 100);
    m_pBar->setValue(0);
    m_pStop = new QPushButton(tr("停止"), this);
    m_pStop->setProperty("controlId", 1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_pAnimation, 0, Qt::AlignHCenter);
    layout->addWidget(m_pBar);
    layout->addWidget(m_pStop, 0, Qt::AlignHCenter);

    connect(m_pStop, &QPushButton::clicked, this, &CopyProgressDialog::StopCopy);
    m_pAnimation->Start();
}

CopyProgressDialog::~CopyProgressDialog() = default;

void CopyProgressDialog::SetProgress(int percent) {
    m_pBar->setValue(percent);
}
int CopyProgressDialog::Progress() const {
    return m_pBar->value();
}
bool CopyProgressDialog::AnimationRunning() const {
    return m_pAnimation->Running();
}

void CopyProgressDialog::StopCopy() {
    m_pAnimation->Stop();
    close();
}

void CopyProgressDialog::hideEvent(QHideEvent* event) {
    // A minimised owner unmaps the window too; that is no request to stop.
    if (!event->spontaneous())
        emit Hidden();
    QDialog::hideEvent(event);
}

void CopyProgressDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
