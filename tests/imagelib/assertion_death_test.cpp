// The debug-build assertions on element indices and interpolation positions
// (release builds clamp or ignore instead).

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
    Ivory::ImageBase<float> image, flat;
    image.init(4, 3, 2, 1, 2);
    flat.init(4, 4, 1, 1, 1);
    float out[2];
    // Every access goes through one index check: each way in once, each side once, the last at the block's end.
    EXPECT_DEATH(image.getValue(-1, 0, 0, 0, 0), kBelow);
    EXPECT_DEATH(image.setValue(1.0f, 0, 0, 0, 1, 0), kBeyond);
    EXPECT_DEATH(image.at(3, 2, 1, 0, 2), kBeyond);
    EXPECT_DEATH(image.interpolateLinear(out, 3.0f, 0.5f, 0.5f), kRange);
    EXPECT_DEATH(image.interpolateLinear(out, 0.5f, 2.5f, 0.5f), kRange);
    EXPECT_DEATH(image.interpolateLinear(out, 0.5f, 0.5f, 1.0f), kRange);
    EXPECT_DEATH(flat.interpolateLinear(out, 1.5f, 1.5f, 0.0f), kRange);  // a single slice is outside the rule
    // The last valid positions pass (an off-by-one would abort here).
    image.setValue(8.0f, 3, 2, 1, 0, 1);
    EXPECT_EQ(image.getValue(3, 2, 1, 0, 1), 8.0f);
    image.interpolateLinear(out, 2.5f, 1.5f, 0.5f);
    EXPECT_EQ(out[1], 1.0f);  // one corner of eight holds 8
}

}  // namespace
