// A modal frame that shows an object's property pages, one tab each, with OK, Cancel
// and Apply. OK applies dirty pages and closes; Cancel closes without applying; on
// close every page is deactivated and disconnected before it is released.
#pragma once

#include <QDialog>
#include <vector>

#include "wavsink/property_page.h"

class QPushButton;
class QTabWidget;

class PropertyFrame final : public QDialog {
  public:
    // Takes a reference on each page and connects it to object.
    PropertyFrame(QWidget* parent, const std::string& caption, IUnknown* object,
                  const std::vector<IPropertyPage*>& pages);
    ~PropertyFrame() override;

    // The pages an object names through ISpecifyPropertyPages, created by class
    // identifier. The caller releases them.
    static HRESULT CreatePages(IUnknown* object, std::vector<IPropertyPage*>* pages);

    // Applies every dirty page; the first failure is returned.
    HRESULT ApplyPages();
    QPushButton* ApplyButton() const { return m_pApply; }

  protected:
    void done(int result) override;

  private:
    class Site;
    void CloseAll();

    IUnknown* m_pObject = nullptr;
    std::vector<IPropertyPage*> m_Pages;
    Site* m_pSite = nullptr;
    QTabWidget* m_pTabs = nullptr;
    QPushButton* m_pApply = nullptr;
    bool m_bClosed = false;
};
