#include "wavsink/property_frame.h"

#include <QCoreApplication>

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <atomic>

#include "platform/com_create.h"

// The frame's side of the page site: pages report that they became dirty.
class PropertyFrame::Site final : public IPropertyPageSite {
  public:
    explicit Site(PropertyFrame* frame) : m_frame(frame) {}
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryOne<IPropertyPageSite>(this, IID_IPropertyPageSite, riid, ppv);
    }
    ULONG AddRef() override { return m_cRef.Add(); }
    ULONG Release() override { return m_cRef.Drop(this); }
    HRESULT OnStatusChange(DWORD flags) override {
        if (m_frame && (flags & PROPPAGESTATUS_DIRTY))
            m_frame->m_pApply->setEnabled(true);
        return S_OK;
    }
    void Detach() { m_frame = nullptr; }

  private:
    friend class ::RefCount;  // the last Release deletes
    ~Site() = default;
    RefCount m_cRef;
    PropertyFrame* m_frame;
};

PropertyFrame::PropertyFrame(QWidget* parent, const std::string& caption, IUnknown* object,
                             const std::vector<IPropertyPage*>& pages)
    : QDialog(parent), m_pObject(object), m_pSite(new Site(this)) {
    setWindowTitle(QString::fromStdString(caption));
    auto* layout = new QVBoxLayout(this);
    m_pTabs = new QTabWidget(this);
    layout->addWidget(m_pTabs);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(QCoreApplication::translate("PropertyFrame", "OK"),
                                         QDialogButtonBox::AcceptRole);
    buttons->addButton(QCoreApplication::translate("PropertyFrame", "キャンセル"),
                       QDialogButtonBox::RejectRole);
    m_pApply = buttons->addButton(QCoreApplication::translate("PropertyFrame", "適用(&A)"),
                                  QDialogButtonBox::ApplyRole);
    m_pApply->setObjectName("applyButton");
    m_pApply->setEnabled(false);
    ok->setObjectName("okButton");
    ok->setDefault(true);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pApply, &QPushButton::clicked, this, [this] { ApplyPages(); });

    if (m_pObject)
        m_pObject->AddRef();
    for (IPropertyPage* page : pages) {
        if (!page)
            continue;
        page->SetPageSite(m_pSite);
        IUnknown* objects[] = {m_pObject};
        // A page that cannot work with the object is left out, as it would show nothing.
        if (!m_pObject || FAILED(page->SetObjects(1, objects))) {
            page->SetPageSite(nullptr);
            continue;
        }
        page->AddRef();
        m_Pages.push_back(page);
        auto* holder = new QWidget(m_pTabs);
        PROPPAGEINFO info{};
        QString title;
        if (SUCCEEDED(page->GetPageInfo(&info))) {
            title = QString::fromUtf8(info.pszTitle);
            CoTaskMemFree(info.pszTitle);
            holder->setMinimumSize(info.width, info.height);
        }
        m_pTabs->addTab(holder, title);
        page->Activate(holder);
    }
}

PropertyFrame::~PropertyFrame() {
    CloseAll();
    m_pSite->Detach();
    m_pSite->Release();
}

HRESULT PropertyFrame::CreatePages(IUnknown* object, std::vector<IPropertyPage*>* pages) {
    if (!object || !pages)
        return E_POINTER;
    ISpecifyPropertyPages* specify = nullptr;
    HRESULT hr =
        object->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify));
    if (FAILED(hr))
        return hr;
    CAUUID ids{0, nullptr};
    hr = specify->GetPages(&ids);
    specify->Release();
    if (FAILED(hr))
        return hr;
    for (ULONG i = 0; i < ids.cElems; ++i) {
        IPropertyPage* page = nullptr;
        HRESULT created = CoCreateInstance(ids.pElems[i], nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IPropertyPage, reinterpret_cast<void**>(&page));
        if (SUCCEEDED(created) && page)
            pages->push_back(page);
        else if (SUCCEEDED(hr))
            hr = created;
    }
    CoTaskMemFree(ids.pElems);
    return pages->empty() ? hr : S_OK;
}

HRESULT PropertyFrame::ApplyPages() {
    HRESULT result = S_OK;
    for (IPropertyPage* page : m_Pages) {
        if (page->IsPageDirty() == S_OK) {
            HRESULT hr = page->Apply();
            if (FAILED(hr) && SUCCEEDED(result))
                result = hr;
        }
    }
    m_pApply->setEnabled(false);
    return result;
}

void PropertyFrame::done(int result) {
    if (result == QDialog::Accepted)
        ApplyPages();
    CloseAll();
    QDialog::done(result);
}

void PropertyFrame::CloseAll() {
    if (m_bClosed)
        return;
    m_bClosed = true;
    for (IPropertyPage* page : m_Pages) {
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->SetPageSite(nullptr);
        page->Release();
    }
    m_Pages.clear();
    SafeRelease(m_pObject);
}
