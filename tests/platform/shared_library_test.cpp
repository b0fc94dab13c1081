#include "platform/shared_library.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

using CosFn = double (*)(double);

TEST(SharedLibrary, OpensByNameFindsItsSymbolsAndHandsItselfOn) {
    SharedLibrary math = SharedLibrary::Open("libm.so.6");
    ASSERT_TRUE(math.IsOpen()) << math.Failure();
    auto cosine = math.Function<CosFn>("cos");
    ASSERT_NE(cosine, nullptr);
    EXPECT_DOUBLE_EQ(cosine(0.0), 1.0);
    EXPECT_EQ(math.Symbol("no_such_symbol_here"), nullptr);

    SharedLibrary moved = std::move(math);
    EXPECT_FALSE(math.IsOpen());
    EXPECT_EQ(math.Symbol("cos"), nullptr) << "what was handed on is not reached twice";
    EXPECT_NE(moved.Symbol("cos"), nullptr);
    moved.Close();
    EXPECT_FALSE(moved.IsOpen());
    EXPECT_EQ(moved.Symbol("cos"), nullptr);
}

TEST(SharedLibrary, AMissingLibrarySaysWhy) {
    SharedLibrary missing = SharedLibrary::Open("/nonexistent/libnothing.so");
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_NE(missing.Failure().find("libnothing"), std::string::npos) << missing.Failure();
    EXPECT_EQ(missing.Symbol("cos"), nullptr);
}

}  // namespace
