#include "platform/registry_store.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/full_disk.h"
#include "tests/support/media_factory.h"

namespace {

class RegistryStoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = testmedia::MakeTempDir("registry");
        path = dir + "/registry";
    }
    void TearDown() override { testmedia::RemoveTree(dir); }
    std::string dir, path;
};

TEST_F(RegistryStoreTest, KeysBeyondTheRegistrysLimitsAreCorruptNotSlow) {
    std::string deep = "A";
    for (int i = 0; i < 600; ++i) deep += "\\k";
    registry::StoreData data;
    EXPECT_FALSE(registry::RegistryStore::Parse("VELTRA-REGISTRY 1\n[" + deep + "]\n", &data).ok());
    EXPECT_FALSE(registry::RegistryStore::Parse(
                     "VELTRA-REGISTRY 1\n[" + std::string(5000, 'k') + "]\n", &data)
                     .ok());
    registry::RegistryStore store(path);
    EXPECT_EQ(store.SetValue(deep, "", "x").hr, E_INVALIDARG);
    // Within the limits, a deep key and its parents read back.
    std::string fine = "A";
    for (int i = 0; i < 100; ++i) fine += "\\k";
    ASSERT_TRUE(store.SetValue(fine, "v", "1").ok());
    EXPECT_TRUE(store.KeyExists("A\\k\\k"));
    std::string value;
    ASSERT_TRUE(store.GetValue(fine, "v", &value).ok());
    EXPECT_EQ(value, "1");
}

TEST_F(RegistryStoreTest, AFailedWriteLeavesTheStoreAsItWas) {
    registry::RegistryStore store(path);
    ASSERT_TRUE(store.SetValue("CLSID\\{X}\\InprocServer32", "", "/opt/libwavsink.so").ok());
    const std::string before = testmedia::ReadFile(path);
    const int result = testmedia::RunWithFileSizeLimit(before.size() + 4, [&] {
        registry::RegistryStore child(path);
        const registry::StoreResult r =
            child.SetValue("CLSID\\{X}\\InprocServer32", "ThreadingModel", "Both");
        if (r.ok() || r.hr != REGDB_E_WRITEREGDB)
            return 1;
        return testmedia::ReadFile(path) == before ? 0 : 2;
    });
    EXPECT_EQ(result, 0);
}

}  // namespace
