#include "wavsink/wave_dest_filter.h"

#include "wavsink/server_state.h"

namespace {
constexpr int kDefaultVolume = 100;
}

WaveDestFilter* WaveDestFilter::Create() {
    if (!gst_is_initialized() && !gst_init_check(nullptr, nullptr, nullptr))
        return nullptr;
    GstWaveDestEx* element = GST_WAVE_DEST_EX(g_object_new(GST_TYPE_WAVE_DEST_EX, nullptr));
    if (!element)
        return nullptr;
    gst_object_ref_sink(element);
    return new (std::nothrow) WaveDestFilter(element);
}

WaveDestFilter::WaveDestFilter(GstWaveDestEx* element) : m_pElement(element) {
    wavsink::ObjectCreated();
}

WaveDestFilter::~WaveDestFilter() {
    gst_object_unref(m_pElement);
    wavsink::ObjectDestroyed();
}

HRESULT WaveDestFilter::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IWaveDestVolume)
        *ppv = static_cast<IWaveDestVolume*>(this);
    else if (riid == IID_IWaveDestElement)
        *ppv = static_cast<IWaveDestElement*>(this);
    else if (riid == IID_ISpecifyPropertyPages)
        *ppv = static_cast<ISpecifyPropertyPages*>(this);
    else {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG WaveDestFilter::AddRef() {
    return m_cRef.Add();
}

ULONG WaveDestFilter::Release() {
    return m_cRef.Drop(this);
}

HRESULT WaveDestFilter::GetVolume(int* percent) {
    if (!percent)
        return E_POINTER;
    *percent = WaveDestGetVolume(m_pElement);
    return S_OK;
}

HRESULT WaveDestFilter::SetVolume(int percent, int /*reserved*/) {
    WaveDestSetVolume(m_pElement, percent);
    return S_OK;
}

HRESULT WaveDestFilter::ResetVolume() {
    WaveDestSetVolume(m_pElement, kDefaultVolume);
    return S_OK;
}

HRESULT WaveDestFilter::GetElement(GstElement** element) {
    if (!element)
        return E_POINTER;
    *element = GST_ELEMENT(gst_object_ref(m_pElement));
    return S_OK;
}

HRESULT WaveDestFilter::GetPages(CAUUID* pages) {
    if (!pages)
        return E_POINTER;
    pages->cElems = 0;
    pages->pElems = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!pages->pElems)
        return E_OUTOFMEMORY;
    pages->cElems = 1;
    pages->pElems[0] = CLSID_WaveVolumePage;
    return S_OK;
}
