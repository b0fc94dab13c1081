// Property pages shaped after OLE's, for the hosts that show a filter's settings. A page
// is a COM object whose widget is created as a child of the frame's widget at Activate
// and destroyed at Deactivate. Header-only.
#pragma once

#include "platform/com.h"

class QWidget;

// {B196B28B-BAB4-101A-B69C-00AA00341D07}
inline constexpr IID IID_ISpecifyPropertyPages = {
    0xB196B28B, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B28C-BAB4-101A-B69C-00AA00341D07}
inline constexpr IID IID_IPropertyPageSite = {
    0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
// {B196B28D-BAB4-101A-B69C-00AA00341D07}
inline constexpr IID IID_IPropertyPage = {
    0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};

constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;

// A counted list of class identifiers in task memory (CoTaskMemFree pElems).
struct CAUUID {
    ULONG cElems;
    GUID* pElems;
};

struct PROPPAGEINFO {
    char* pszTitle;  // UTF-8, task memory: the caller frees it with CoTaskMemFree
    int width;       // preferred size in pixels
    int height;
};

class ISpecifyPropertyPages : public IUnknown {
  public:
    virtual HRESULT GetPages(CAUUID* pages) = 0;

  protected:
    ~ISpecifyPropertyPages() = default;
};

class IPropertyPageSite : public IUnknown {
  public:
    virtual HRESULT OnStatusChange(DWORD flags) = 0;

  protected:
    ~IPropertyPageSite() = default;
};

class IPropertyPage : public IUnknown {
  public:
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT Activate(QWidget* parent) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    // count 1 (or more: the first is used) connects, count 0 disconnects.
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    virtual HRESULT Show(UINT cmdShow) = 0;
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(const char* helpDir) = 0;
    virtual HRESULT TranslateAccelerator(void* message) = 0;

  protected:
    ~IPropertyPage() = default;
};
