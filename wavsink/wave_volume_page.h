// The volume property page of the WAVE DestEx filter. The trackbar drives the filter's
// volume live; Apply makes the current volume the one kept, and disconnecting puts the
// kept volume back, so closing the frame without applying undoes the user's changes.
#pragma once

#include <QSlider>
#include <QWidget>
#include <atomic>
#include <functional>

#include "wavsink/property_page.h"
#include "wavsink/wave_dest_volume.h"

class QGroupBox;
class QPushButton;

// The page's vertical trackbar: 10 at the bottom, 300 at the top, one tick at 100. Home
// and End report "top" and "bottom"; releasing the thumb or a key reports end of track.
class VolumeTrackbar final : public QSlider {
  public:
    explicit VolumeTrackbar(QWidget* parent);
    std::function<void()> onTop;
    std::function<void()> onBottom;
    std::function<void()> onEndTrack;

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

class WaveVolumePage final : public QWidget, public IPropertyPage {
  public:
    static constexpr int kMinVolume = 10;
    static constexpr int kMaxVolume = 300;
    static constexpr int kDefaultVolume = 100;

    // Needs a QApplication; the page starts with one reference.
    WaveVolumePage();

    // IUnknown
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IPropertyPage
    HRESULT SetPageSite(IPropertyPageSite* site) override;
    HRESULT Activate(QWidget* parent) override;
    HRESULT Deactivate() override;
    HRESULT GetPageInfo(PROPPAGEINFO* info) override;
    HRESULT SetObjects(ULONG count, IUnknown** objects) override;
    HRESULT Show(UINT cmdShow) override;
    HRESULT IsPageDirty() override;
    HRESULT Apply() override;
    HRESULT Help(const char* helpDir) override;
    HRESULT TranslateAccelerator(void* message) override;

    HRESULT OnConnect(IUnknown* object);
    HRESULT OnDisconnect();

    VolumeTrackbar* Trackbar() const { return m_pTrackbar; }

  private:
    friend class ::RefCount;  // the last Release deletes
    ~WaveVolumePage() override;
    void MarkDirty();
    void OnDefault();

    RefCount m_cRef;
    IWaveDestVolume* m_pVolume = nullptr;
    IPropertyPageSite* m_pSite = nullptr;
    int m_KeptVolume = kDefaultVolume;
    int m_ReadVolume = kDefaultVolume;
    int m_bDirty = 0;
    QGroupBox* m_pGroup = nullptr;
    QPushButton* m_pDefault = nullptr;
    VolumeTrackbar* m_pTrackbar = nullptr;
};
