#include "platform/registry_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "tests/support/media_factory.h"

using registry::RegistryStore;
using registry::StoreData;

namespace {

class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = testmedia::MakeTempDir("registry");
        m_path = m_dir + "/config/veltra/registry";
    }
    void TearDown() override {
        ::chmod(m_dir.c_str(), 0755);
        testmedia::RemoveTree(m_dir);
    }
    std::string m_dir, m_path;
};

}  // namespace

TEST_F(StoreTest, ValuesSurviveAWriteAndReadWithAwkwardCharacters) {
    RegistryStore store(m_path);
    const std::string path = "/opt/my \"best\" player/日本語\\lib=x.so\nnext";
    ASSERT_TRUE(store.SetValue("CLSID\\{A}\\InprocServer32", "", path).ok());
    ASSERT_TRUE(store.SetValue("CLSID\\{A}\\InprocServer32", "ThreadingModel", "Both").ok());
    std::string got;
    ASSERT_TRUE(RegistryStore(m_path).GetValue("clsid\\{a}\\inprocserver32", "", &got).ok());
    EXPECT_EQ(got, path);
    EXPECT_TRUE(store.KeyExists("CLSID\\{A}"));  // parents exist implicitly
    EXPECT_EQ(store.GetValue("CLSID\\{A}", "missing", &got).hr,
              HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));

    ASSERT_TRUE(store.DeleteTree("CLSID\\{A}").ok());
    EXPECT_FALSE(store.KeyExists("CLSID\\{A}\\InprocServer32"));
    EXPECT_TRUE(store.DeleteTree("CLSID\\{never}").ok());
}

TEST_F(StoreTest, MissingStoreReadsEmptyAndIsCreatedOnWrite) {
    RegistryStore store(m_path);
    StoreData data;
    EXPECT_TRUE(store.Load(&data).ok());
    EXPECT_TRUE(data.Keys().empty());
    ASSERT_TRUE(store.SetValue("A", "", "1").ok());
    EXPECT_EQ(testmedia::ReadFile(m_path).rfind("VELTRA-REGISTRY 1\n", 0), 0u);
}

TEST_F(StoreTest, CorruptStoreIsReportedAndNeverOverwritten) {
    std::string bad = "VELTRA-REGISTRY 1\n[CLSID\\{A}]\n@=\"unterminated\n";
    for (const std::string& text :
         {bad, std::string("garbage\n"), std::string("VELTRA-REGISTRY 1\n@=\"x\"\n")}) {
        std::string path = testmedia::WriteBytes(m_dir, "corrupt", text);
        RegistryStore store(path);
        StoreData data;
        registry::StoreResult r = store.Load(&data);
        EXPECT_EQ(r.hr, REGDB_E_READREGDB);
        EXPECT_NE(r.message.find(path), std::string::npos);
        EXPECT_EQ(store.SetValue("B", "", "2").hr, REGDB_E_READREGDB);
        EXPECT_EQ(testmedia::ReadFile(path), text);
    }
}

TEST_F(StoreTest, ReadOnlyStoreRefusesWritesAndKeepsItsContent) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root ignores file permissions";
    RegistryStore store(m_path);
    ASSERT_TRUE(store.SetValue("A", "", "1").ok());
    std::string before = testmedia::ReadFile(m_path);
    ::chmod(m_path.c_str(), 0444);
    EXPECT_EQ(store.SetValue("A", "", "2").hr, E_ACCESSDENIED);
    EXPECT_EQ(testmedia::ReadFile(m_path), before);
}

TEST_F(StoreTest, UnwritableFolderFailsCleanly) {
    // A store whose folder is a regular file can never be written, root or not.
    std::string blocker = testmedia::WriteBytes(m_dir, "file", "x");
    RegistryStore store(blocker + "/registry");
    registry::StoreResult r = store.SetValue("A", "", "1");
    EXPECT_FALSE(r.ok());
    EXPECT_FALSE(r.message.empty());
    EXPECT_EQ(testmedia::ReadFile(blocker), "x");
}

TEST_F(StoreTest, ConcurrentWritersKeepEveryEntry) {
    auto writer = [this](int id) {
        RegistryStore store(m_path);
        for (int i = 0; i < 40; ++i)
            store.SetValue("K" + std::to_string(id), "v" + std::to_string(i), std::to_string(i));
    };
    std::thread a(writer, 1), b(writer, 2);
    a.join();
    b.join();
    StoreData data;
    ASSERT_TRUE(RegistryStore(m_path).Load(&data).ok());
    for (int id : {1, 2}) {
        for (int i = 0; i < 40; ++i)
            EXPECT_NE(data.Value("K" + std::to_string(id), "v" + std::to_string(i)), nullptr);
    }
}

TEST(Guid, RoundTripsThroughItsTextForm) {
    GUID g{0x2197243F, 0x1514, 0x4060, {0xAE, 0x7C, 0x58, 0x90, 0xD6, 0xDF, 0x71, 0xD2}};
    EXPECT_EQ(registry::GuidToString(g), "{2197243F-1514-4060-AE7C-5890D6DF71D2}");
    GUID back{};
    ASSERT_TRUE(registry::GuidFromString("2197243f-1514-4060-ae7c-5890d6df71d2", &back));
    EXPECT_EQ(back, g);
    EXPECT_FALSE(registry::GuidFromString("{2197243F-1514-4060-AE7C-5890D6DF71D}", &back));
    EXPECT_FALSE(registry::GuidFromString("{2197243F-1514-4060-AE7C-5890D6DF71DZ}", &back));
}
