// A failed file operation names its reason in the program's words, not the C library's.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "playlist/file_copier.h"

namespace {

std::string WriteFailure(int error) {
    CopyOutcome outcome;
    outcome.status = CopyStatus::WriteFailed;
    outcome.error = error;
    return CopyStatusText(outcome);
}

TEST(FileCopierTest, CommonReasonsAreOursAndTheRestTheCLibrarys) {
    const std::string noSpace = WriteFailure(ENOSPC);
    EXPECT_EQ(noSpace, "コピー先に書き込めません (空き容量が足りません)");
    EXPECT_EQ(WriteFailure(EDQUOT), noSpace);
    EXPECT_EQ(WriteFailure(EACCES), WriteFailure(EPERM));
    // Each common reason reads differently, and none is the C library's own text.
    const std::set<std::string> reasons = {noSpace,
                                           WriteFailure(EACCES),
                                           WriteFailure(ENOENT),
                                           WriteFailure(EROFS),
                                           WriteFailure(ENAMETOOLONG),
                                           WriteFailure(EIO)};
    EXPECT_EQ(reasons.size(), 6u);
    for (int error : {ENOSPC, EACCES, ENOENT, EROFS, ENAMETOOLONG, EIO})
        EXPECT_EQ(WriteFailure(error).find(std::strerror(error)), std::string::npos) << error;
    // An unknown reason still says something rather than nothing.
    EXPECT_EQ(WriteFailure(0), WriteFailure(EIO));
    EXPECT_NE(WriteFailure(EXDEV).find(std::strerror(EXDEV)), std::string::npos);
}

}  // namespace
