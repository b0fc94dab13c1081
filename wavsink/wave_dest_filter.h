// The COM face of the WAVE DestEx filter: its volume interface, its property pages and
// the element that does the streaming.
#pragma once

#include <atomic>

#include "wavsink/property_page.h"
#include "wavsink/wave_dest_ex.h"
#include "wavsink/wave_dest_volume.h"

class WaveDestFilter final : public IWaveDestVolume,
                             public IWaveDestElement,
                             public ISpecifyPropertyPages {
  public:
    // The element is created here; nullptr when GStreamer cannot be initialised.
    static WaveDestFilter* Create();

    // IUnknown (shared by all three interfaces)
    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    // IWaveDestVolume
    HRESULT GetVolume(int* percent) override;
    HRESULT SetVolume(int percent, int reserved) override;
    HRESULT ResetVolume() override;

    // IWaveDestElement
    HRESULT GetElement(GstElement** element) override;

    // ISpecifyPropertyPages
    HRESULT GetPages(CAUUID* pages) override;

  private:
    friend class ::RefCount;  // the last Release deletes
    explicit WaveDestFilter(GstWaveDestEx* element);
    ~WaveDestFilter();

    RefCount m_cRef;
    GstWaveDestEx* m_pElement;  // one strong reference
};
