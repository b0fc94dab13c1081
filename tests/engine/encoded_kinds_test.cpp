#include "engine/encoded_kinds.h"

#include <gtest/gtest.h>

TEST(EncodedKinds, TheTargetsExtensionNamesTheKindWhateverItsCase) {
    struct Case {
        const char* target;
        EncodedKind kind;
    };
    for (Case c : {Case{"/a/clip.mp4", EncodedKind::Mp4}, Case{"/a/clip.M4V", EncodedKind::Mp4},
                   Case{"/a/clip.WebM", EncodedKind::WebM}, Case{"/a/s.flac", EncodedKind::Flac},
                   Case{"/a/s.opus", EncodedKind::Opus}, Case{"/a/s.MP3", EncodedKind::Mp3}}) {
        EncodedKind kind = EncodedKind::Mp3;
        ASSERT_TRUE(EncodedKindForTarget(c.target, &kind)) << c.target;
        EXPECT_EQ(kind, c.kind) << c.target;
    }
    // The classic kinds, a bare extension and names merely ending in the letters are not ours.
    for (const char* target : {"/a/clip.avi", "/a/s.wav", "/a/c.asf", ".mp4", "/a/clipmp4", ""})
        EXPECT_FALSE(EncodedKindForTarget(target, nullptr)) << target;
    EXPECT_TRUE(KindHoldsPictures(EncodedKind::WebM));
    EXPECT_FALSE(KindHoldsPictures(EncodedKind::Opus));
}
