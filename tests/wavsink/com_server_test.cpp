#include <dlfcn.h>
#include <gst/gst.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSlider>
#include <cstdlib>
#include <filesystem>

#include "platform/com_create.h"
#include "platform/registry_store.h"
#include "tests/support/media_factory.h"
#include "wavsink/property_frame.h"
#include "wavsink/property_page.h"
#include "wavsink/wave_dest_volume.h"

namespace fs = std::filesystem;

namespace {

const std::string kBin = VELTRA_BIN_DIR;
const std::string kServer = kBin + "/libwavsink.so";
const std::string kRegsvr = kBin + "/regsvr";

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Every test gets a store of its own; the user's real store is never touched.
class ServerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = testmedia::MakeTempDir("wavsink");
        m_store = m_dir + "/registry";
        setenv("VELTRA_REGISTRY", m_store.c_str(), 1);
    }
    void TearDown() override {
        CoFreeUnusedLibraries();
        unsetenv("VELTRA_REGISTRY");
        testmedia::RemoveTree(m_dir);
    }
    // Runs the registration tool; returns its exit code, stderr in *err.
    int Regsvr(const std::string& args, std::string* err = nullptr) {
        std::string errFile = m_dir + "/stderr.txt";
        int status =
            std::system((ShellQuote(kRegsvr) + " " + args + " 2>" + ShellQuote(errFile)).c_str());
        if (err)
            *err = testmedia::ReadFile(errFile);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::string Value(const std::string& key, const std::string& name) {
        std::string v;
        registry::RegistryStore(m_store).GetValue(key, name, &v);
        return v;
    }
    std::string m_dir, m_store;
};

template <class T>
HRESULT Create(REFCLSID clsid, REFIID iid, T** out) {
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid,
                            reinterpret_cast<void**>(out));
}

HRESULT CanUnloadNow() {
    void* h = dlopen(kServer.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (!h)
        return S_OK;  // not loaded at all
    auto fn = reinterpret_cast<DllCanUnloadNowFn>(dlsym(h, "DllCanUnloadNow"));
    HRESULT hr = fn();
    dlclose(h);
    return hr;
}

}  // namespace

TEST_F(ServerTest, RegisterCreateSetVolumeUnregister) {
    ASSERT_EQ(Regsvr("/s " + ShellQuote(kServer)), 0);
    const std::string filterKey = "CLSID\\{2197243F-1514-4060-AE7C-5890D6DF71D2}";
    EXPECT_EQ(Value(filterKey, ""), "WAVE DestEx");
    EXPECT_EQ(Value(kWaveDestServerKey, ""), fs::canonical(kServer).string());
    EXPECT_EQ(Value(kWaveDestServerKey, "ThreadingModel"), "Both");
    EXPECT_EQ(Value("CLSID\\{0D36292C-C2B7-4D24-96AF-07E1CE83F696}", ""),
              "Wave Volume Property Page");
    const std::string mapper =
        "CLSID\\{083863F1-70DE-11D0-BD40-00A0C911CE86}\\Instance\\{2197243F-1514-4060-AE7C-"
        "5890D6DF71D2}";
    EXPECT_EQ(Value(mapper, "Merit"), "0x00200000");
    EXPECT_EQ(Value(mapper + "\\Pins\\Input", "ConnectsToPin"), "Output");

    IWaveDestVolume* volume = nullptr;
    ASSERT_EQ(Create(CLSID_WaveDestEx, IID_IWaveDestVolume, &volume), S_OK);
    int v = 0;
    volume->GetVolume(&v);
    EXPECT_EQ(v, 100);
    volume->SetVolume(70000, 0);
    volume->GetVolume(&v);
    EXPECT_EQ(v, 4464);

    // The host puts the very element into its pipeline; it sees the same volume.
    IWaveDestElement* source = nullptr;
    ASSERT_EQ(volume->QueryInterface(IID_IWaveDestElement, reinterpret_cast<void**>(&source)),
              S_OK);
    GstElement* element = nullptr;
    ASSERT_EQ(source->GetElement(&element), S_OK);
    int property = 0;
    g_object_get(element, "volume", &property, nullptr);
    EXPECT_EQ(property, 4464);
    volume->ResetVolume();
    g_object_get(element, "volume", &property, nullptr);
    EXPECT_EQ(property, 100);
    gst_object_unref(element);

    EXPECT_EQ(CanUnloadNow(), S_FALSE);
    source->Release();
    volume->Release();
    EXPECT_EQ(CanUnloadNow(), S_OK);

    ASSERT_EQ(Regsvr("/s /u " + ShellQuote(kServer)), 0);
    EXPECT_FALSE(registry::RegistryStore(m_store).KeyExists(filterKey));
    EXPECT_FALSE(registry::RegistryStore(m_store).KeyExists(mapper));
    EXPECT_EQ(Create(CLSID_WaveDestEx, IID_IWaveDestVolume, &volume), REGDB_E_CLASSNOTREG);
}

TEST_F(ServerTest, FactoryAndExportsAnswerAsCom) {
    void* h = dlopen(kServer.c_str(), RTLD_NOW);
    ASSERT_NE(h, nullptr);
    auto get = reinterpret_cast<DllGetClassObjectFn>(dlsym(h, "DllGetClassObject"));
    IClassFactory* factory = nullptr;
    EXPECT_EQ(get(CLSID_WaveDestEx, IID_IWaveDestVolume, reinterpret_cast<void**>(&factory)),
              E_NOINTERFACE);
    EXPECT_EQ(get(IID_IWaveDestVolume, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
              CLASS_E_CLASSNOTAVAILABLE);
    ASSERT_EQ(get(CLSID_WaveDestEx, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    EXPECT_EQ(CanUnloadNow(), S_FALSE);  // a live factory keeps the server
    factory->LockServer(TRUE);
    factory->Release();
    EXPECT_EQ(CanUnloadNow(), S_FALSE);  // so does a lock
    ASSERT_EQ(get(CLSID_WaveDestEx, IID_IUnknown, reinterpret_cast<void**>(&factory)), S_OK);
    factory->LockServer(FALSE);

    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    IUnknown* object = nullptr;
    EXPECT_EQ(
        factory->CreateInstance(outer, IID_IWaveDestVolume, reinterpret_cast<void**>(&object)),
        E_NOINTERFACE);
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_ISpecifyPropertyPages,
                                      reinterpret_cast<void**>(&object)),
              S_OK);
    CAUUID pages{};
    ASSERT_EQ(static_cast<ISpecifyPropertyPages*>(object)->GetPages(&pages), S_OK);
    ASSERT_EQ(pages.cElems, 1u);
    EXPECT_EQ(pages.pElems[0], CLSID_WaveVolumePage);
    CoTaskMemFree(pages.pElems);
    object->Release();
    factory->Release();
    EXPECT_EQ(CanUnloadNow(), S_OK);
    dlclose(h);
}

TEST_F(ServerTest, CreationFailuresNameTheirCause) {
    IUnknown* object = nullptr;
    EXPECT_EQ(Create(CLSID_WaveDestEx, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    registry::RegistryStore store(m_store);
    store.SetValue(kWaveDestServerKey, "", m_dir + "/missing.so");
    EXPECT_EQ(Create(CLSID_WaveDestEx, IID_IUnknown, &object), CO_E_DLLNOTFOUND);
    store.SetValue(kWaveDestServerKey, "", "libwavsink.so");  // relative: ambiguous
    EXPECT_EQ(Create(CLSID_WaveDestEx, IID_IUnknown, &object), CO_E_DLLNOTFOUND);
    void* libm = dlopen("libm.so.6", RTLD_NOW);
    Dl_info info{};
    ASSERT_TRUE(dladdr(dlsym(libm, "cos"), &info));
    store.SetValue(kWaveDestServerKey, "", info.dli_fname);
    EXPECT_EQ(Create(CLSID_WaveDestEx, IID_IUnknown, &object), CO_E_ERRORINDLL);
    testmedia::WriteBytes(m_dir, "registry", "not a store\n");
    EXPECT_EQ(Create(CLSID_WaveDestEx, IID_IUnknown, &object), REGDB_E_READREGDB);
    EXPECT_EQ(object, nullptr);
    dlclose(libm);
}

TEST_F(ServerTest, ServerInAnAwkwardFolderRegistersAndLoads) {
    std::string folder = m_dir + "/Program Files/it's \"VELTRA\" 日本";
    fs::create_directories(folder);
    std::string copy = folder + "/lib wav\"sink.so";
    fs::copy_file(kServer, copy);
    // The program passes the path in double quotes, as on a Windows command line.
    ASSERT_EQ(Regsvr("/s " + ShellQuote("\"" + copy + "\"")), 0);
    EXPECT_EQ(RegisteredServerPath(CLSID_WaveVolumePage), copy);
    // The page class needs no element type, so this second copy of the module can load
    // beside the first without clashing.
    IPropertyPage* page = nullptr;
    ASSERT_EQ(Create(CLSID_WaveVolumePage, IID_IPropertyPage, &page), S_OK);
    page->Release();
}

TEST_F(ServerTest, RegistrationToolExitCodes) {
    std::string err;
    EXPECT_EQ(Regsvr("", &err), 1);
    EXPECT_NE(err.find("usage"), std::string::npos);
    EXPECT_EQ(Regsvr(ShellQuote(m_dir + "/none.so"), &err), 2);
    EXPECT_NE(err.find("none.so"), std::string::npos);
    EXPECT_EQ(Regsvr("/s " + ShellQuote(m_dir + "/none.so"), &err), 2);
    EXPECT_TRUE(err.empty());
    void* libm = dlopen("libm.so.6", RTLD_NOW);
    Dl_info info{};
    ASSERT_TRUE(dladdr(dlsym(libm, "cos"), &info));
    EXPECT_EQ(Regsvr(ShellQuote(info.dli_fname), &err), 3);
    dlclose(libm);
    // A corrupt store makes registration fail, and the store stays as it was.
    testmedia::WriteBytes(m_dir, "registry", "not a store\n");
    EXPECT_EQ(Regsvr(ShellQuote(kServer), &err), 4);
    EXPECT_NE(err.find("corrupt"), std::string::npos);
    EXPECT_EQ(testmedia::ReadFile(m_store), "not a store\n");
    fs::remove(m_store);
    EXPECT_EQ(Regsvr(ShellQuote(kServer), &err), 0);
    EXPECT_NE(err.find("succeeded"), std::string::npos);
}

namespace {

struct Frame {
    IWaveDestVolume* volume = nullptr;
    std::unique_ptr<PropertyFrame> frame;
    QSlider* trackbar = nullptr;
    int Volume() {
        int v = 0;
        volume->GetVolume(&v);
        return v;
    }
    ~Frame() {
        frame.reset();
        SafeRelease(volume);
    }
};

void OpenFrame(Frame* f, int startVolume) {
    ASSERT_EQ(Create(CLSID_WaveDestEx, IID_IWaveDestVolume, &f->volume), S_OK);
    f->volume->SetVolume(startVolume, 0);
    std::vector<IPropertyPage*> pages;
    ASSERT_EQ(PropertyFrame::CreatePages(f->volume, &pages), S_OK);
    f->frame = std::make_unique<PropertyFrame>(nullptr, "WAVE DestEx", f->volume, pages);
    for (IPropertyPage* p : pages) p->Release();
    f->trackbar = f->frame->findChild<QSlider*>("volumeTrackbar");
    ASSERT_NE(f->trackbar, nullptr);
}

void Key(QWidget* w, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QApplication::sendEvent(w, &release);
}

void ReleaseThumb(QSlider* s) {
    QPointF at(s->width() / 2.0, s->height() / 2.0);
    QMouseEvent release(QEvent::MouseButtonRelease, at, s->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(s, &release);
}

}  // namespace

TEST_F(ServerTest, VolumePageFollowsTheTrackbarAndUndoesOnCancel) {
    ASSERT_EQ(Regsvr("/s " + ShellQuote(kServer)), 0);
    {
        Frame f;
        OpenFrame(&f, 150);
        EXPECT_EQ(f.trackbar->value(), 100);  // shown at 100 whatever the filter says
        EXPECT_FALSE(f.frame->ApplyButton()->isEnabled());
        f.trackbar->setValue(250);
        ReleaseThumb(f.trackbar);
        EXPECT_EQ(f.Volume(), 250);
        EXPECT_TRUE(f.frame->ApplyButton()->isEnabled());
        Key(f.trackbar, Qt::Key_Home);
        EXPECT_EQ(f.Volume(), 300);
        Key(f.trackbar, Qt::Key_End);
        EXPECT_EQ(f.Volume(), 10);
        f.frame->reject();
        EXPECT_EQ(f.Volume(), 150);
    }
    {
        Frame f;
        OpenFrame(&f, 150);
        f.trackbar->setValue(250);
        ReleaseThumb(f.trackbar);
        f.frame->ApplyButton()->click();
        EXPECT_FALSE(f.frame->ApplyButton()->isEnabled());
        f.trackbar->setValue(40);
        ReleaseThumb(f.trackbar);
        f.frame->reject();
        EXPECT_EQ(f.Volume(), 250);
    }
    {
        Frame f;
        OpenFrame(&f, 180);
        auto* button = f.frame->findChild<QPushButton*>("defaultButton");
        ASSERT_NE(button, nullptr);
        f.trackbar->setValue(60);
        button->click();
        EXPECT_EQ(f.Volume(), 100);
        EXPECT_EQ(f.trackbar->value(), 100);
        EXPECT_TRUE(f.frame->ApplyButton()->isEnabled());
        f.frame->accept();  // OK applies
        EXPECT_EQ(f.Volume(), 100);
    }
}

namespace {
class Plain final : public IUnknown {
  public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        *ppv = riid == IID_IUnknown ? this : nullptr;
        return *ppv ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() override { return 2; }
    ULONG Release() override { return 1; }
};
}  // namespace

TEST_F(ServerTest, PageRefusesObjectsWithoutTheVolumeInterface) {
    ASSERT_EQ(Regsvr("/s " + ShellQuote(kServer)), 0);
    IPropertyPage* page = nullptr;
    ASSERT_EQ(Create(CLSID_WaveVolumePage, IID_IPropertyPage, &page), S_OK);
    Plain plain;
    IUnknown* objects[] = {&plain};
    EXPECT_EQ(page->SetObjects(1, objects), E_NOINTERFACE);
    EXPECT_EQ(page->SetObjects(0, nullptr), E_UNEXPECTED);
    EXPECT_EQ(page->Apply(), E_UNEXPECTED);
    EXPECT_EQ(page->IsPageDirty(), S_FALSE);
    EXPECT_EQ(page->Help(nullptr), E_NOTIMPL);
    PROPPAGEINFO info{};
    ASSERT_EQ(page->GetPageInfo(&info), S_OK);
    EXPECT_STREQ(info.pszTitle, "WaveProperty");
    CoTaskMemFree(info.pszTitle);
    page->Release();
    EXPECT_EQ(CanUnloadNow(), S_OK);
}
