#include "wavsink/wave_volume_page.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <cstring>

#include "wavsink/server_state.h"

namespace {

constexpr char kPageTitle[] = "WaveProperty";
// Dialog units of an Arial 9 dialog, in pixels.
constexpr double kUnitX = 1.5;
constexpr double kUnitY = 1.875;

QRect DialogRect(int x, int y, int w, int h) {
    return QRect(int(x * kUnitX), int(y * kUnitY), int(w * kUnitX), int(h * kUnitY));
}

bool IsTrackKey(int key) {
    switch (key) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
        case Qt::Key_Home:
        case Qt::Key_End:
            return true;
        default:
            return false;
    }
}

}  // namespace

VolumeTrackbar::VolumeTrackbar(QWidget* parent) : QSlider(Qt::Vertical, parent) {
    setObjectName("volumeTrackbar");
    setRange(WaveVolumePage::kMinVolume, WaveVolumePage::kMaxVolume);
    setValue(WaveVolumePage::kDefaultVolume);
    setFocusPolicy(Qt::StrongFocus);
    setTracking(true);
}

void VolumeTrackbar::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Home && onTop) {
        onTop();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_End && onBottom) {
        onBottom();
        event->accept();
        return;
    }
    QSlider::keyPressEvent(event);
}

void VolumeTrackbar::keyReleaseEvent(QKeyEvent* event) {
    QSlider::keyReleaseEvent(event);
    if (!event->isAutoRepeat() && IsTrackKey(event->key()) && onEndTrack)
        onEndTrack();
}

void VolumeTrackbar::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (onEndTrack)
        onEndTrack();
}

void VolumeTrackbar::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    // One mark at 100 on both sides: the volume that leaves the sound unchanged.
    int span = height() - style()->pixelMetric(QStyle::PM_SliderLength, nullptr, this);
    int y = QStyle::sliderPositionFromValue(minimum(), maximum(), WaveVolumePage::kDefaultVolume,
                                            span, true) +
            style()->pixelMetric(QStyle::PM_SliderLength, nullptr, this) / 2;
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    p.drawLine(0, y, 4, y);
    p.drawLine(width() - 5, y, width() - 1, y);
}

WaveVolumePage::WaveVolumePage() {
    wavsink::ObjectCreated();
    setObjectName("waveVolumePage");
    QFont font("Arial");
    font.setPointSize(9);
    setFont(font);
    setFixedSize(DialogRect(0, 0, 99, 104).size());
    m_pGroup = new QGroupBox("Volume", this);
    m_pGroup->setGeometry(DialogRect(17, 7, 63, 86));
    m_pDefault = new QPushButton("Default(&D)", this);
    m_pDefault->setObjectName("defaultButton");
    m_pDefault->setGeometry(DialogRect(23, 75, 50, 14));
    QObject::connect(m_pDefault, &QPushButton::clicked, this, [this] { OnDefault(); });
    m_pTrackbar = new VolumeTrackbar(this);
    m_pTrackbar->setGeometry(62, 35, 39, 100);
    m_pTrackbar->onTop = [this] {
        MarkDirty();
        m_pTrackbar->setValue(kMaxVolume);
    };
    m_pTrackbar->onBottom = [this] {
        MarkDirty();
        m_pTrackbar->setValue(kMinVolume);
    };
    m_pTrackbar->onEndTrack = [this] {
        MarkDirty();
        if (m_pVolume)
            m_pVolume->SetVolume(m_pTrackbar->value(), 0);
    };
    hide();
}

WaveVolumePage::~WaveVolumePage() {
    // A frame that forgot to disconnect still gets the kept volume back.
    if (m_pVolume)
        OnDisconnect();
    SafeRelease(m_pSite);
    wavsink::ObjectDestroyed();
}

HRESULT WaveVolumePage::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IPropertyPage) {
        *ppv = static_cast<IPropertyPage*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG WaveVolumePage::AddRef() {
    return m_cRef.Add();
}

ULONG WaveVolumePage::Release() {
    return m_cRef.Drop(this);
}

HRESULT WaveVolumePage::SetPageSite(IPropertyPageSite* site) {
    if (site)
        site->AddRef();
    SafeRelease(m_pSite);
    m_pSite = site;
    return S_OK;
}

HRESULT WaveVolumePage::Activate(QWidget* parent) {
    setParent(parent);
    // Each activation starts the trackbar at 100, whatever the filter's volume is.
    m_pTrackbar->setValue(kDefaultVolume);
    show();
    return S_OK;
}

HRESULT WaveVolumePage::Deactivate() {
    if (m_pVolume)
        m_pVolume->GetVolume(&m_ReadVolume);
    hide();
    setParent(nullptr);
    return S_OK;
}

HRESULT WaveVolumePage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info)
        return E_POINTER;
    info->pszTitle = static_cast<char*>(CoTaskMemAlloc(sizeof kPageTitle));
    if (!info->pszTitle)
        return E_OUTOFMEMORY;
    std::memcpy(info->pszTitle, kPageTitle, sizeof kPageTitle);
    info->width = width();
    info->height = height();
    return S_OK;
}

HRESULT WaveVolumePage::SetObjects(ULONG count, IUnknown** objects) {
    if (count == 0)
        return OnDisconnect();
    if (!objects || !objects[0])
        return E_POINTER;
    if (m_pVolume)
        OnDisconnect();
    return OnConnect(objects[0]);
}

HRESULT WaveVolumePage::OnConnect(IUnknown* object) {
    IWaveDestVolume* volume = nullptr;
    if (FAILED(object->QueryInterface(IID_IWaveDestVolume, reinterpret_cast<void**>(&volume))) ||
        !volume)
        return E_NOINTERFACE;
    m_pVolume = volume;
    m_pVolume->GetVolume(&m_ReadVolume);
    m_KeptVolume = m_ReadVolume;
    return S_OK;
}

HRESULT WaveVolumePage::OnDisconnect() {
    if (!m_pVolume)
        return E_UNEXPECTED;
    m_pVolume->SetVolume(m_KeptVolume, 0);
    SafeRelease(m_pVolume);
    return S_OK;
}

HRESULT WaveVolumePage::Show(UINT cmdShow) {
    setVisible(cmdShow != 0);
    return S_OK;
}

HRESULT WaveVolumePage::IsPageDirty() {
    return m_bDirty ? S_OK : S_FALSE;
}

HRESULT WaveVolumePage::Apply() {
    if (!m_pVolume)
        return E_UNEXPECTED;
    m_pVolume->GetVolume(&m_KeptVolume);
    m_bDirty = 0;
    return S_OK;
}

HRESULT WaveVolumePage::Help(const char*) {
    return E_NOTIMPL;
}

HRESULT WaveVolumePage::TranslateAccelerator(void*) {
    return E_NOTIMPL;
}

void WaveVolumePage::MarkDirty() {
    m_bDirty = 1;
    if (m_pSite)
        m_pSite->OnStatusChange(PROPPAGESTATUS_DIRTY);
}

void WaveVolumePage::OnDefault() {
    if (m_pVolume)
        m_pVolume->ResetVolume();
    m_pTrackbar->setValue(kDefaultVolume);
    MarkDirty();
}
