// The debug-build assertions on element indices and interpolation positions
// (release builds clamp or ignore instead). That the last valid ones pass is
// seen wherever the other tests touch them in a debug build.

#include "test_support.h"

namespace {

const char* const kBelow = "m_data \\+ c \\+ x\\*m_channels \\+ y\\*m_stride \\+ z\\*m_slice_size \\+ t\\*m_frame_size >= m_data";
const char* const kBeyond = "c \\+ x\\*m_channels \\+ y\\*m_stride \\+ z\\*m_slice_size \\+ t\\*m_frame_size < m_image_size";
const char* const kRange = "\\(xx < m_dim\\[0\\]-1\\) && \\(yy < m_dim\\[1\\]-1\\) && \\(zz < m_dim\\[2\\]-1\\)";

TEST(AssertionDeathTest, IndicesOutsideTheBlockAndPositionsOutsideTheLinearRange) {
#ifdef NDEBUG
    GTEST_SKIP() << "assertions are compiled out in this build";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Ivory::ImageBase<float> image;
    image.init(4, 3, 2, 1, 2);
    float out[2];
    // Every access goes through one index check: each way in once, each side once, the last at the block's end.
    EXPECT_DEATH(image.getValue(-1, 0, 0, 0, 0), kBelow);
    EXPECT_DEATH(image.setValue(1.0f, 0, 0, 0, 1, 0), kBeyond);
    EXPECT_DEATH(image.at(3, 2, 1, 0, 2), kBeyond);
    EXPECT_DEATH(image.interpolateLinear(out, 3.0f, 0.5f, 0.5f), kRange);
    EXPECT_DEATH(image.interpolateLinear(out, 0.5f, 2.5f, 0.5f), kRange);
    EXPECT_DEATH(image.interpolateLinear(out, 0.5f, 0.5f, 1.0f), kRange);
}

}  // namespace
