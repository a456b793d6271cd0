// The library's debug-build assertions on element indices and interpolation
// positions. Release builds (NDEBUG) clamp or ignore instead; those cases are
// tested beside the operations.

#include "ivory/imagebase.h"
#include "test_support.h"

namespace {

constexpr const char* kIndexBelowBlock =
    "m_data \\+ c \\+ x\\*m_channels \\+ y\\*m_stride \\+ z\\*m_slice_size \\+ t\\*m_frame_size >= m_data";
constexpr const char* kIndexBeyondBlock =
    "c \\+ x\\*m_channels \\+ y\\*m_stride \\+ z\\*m_slice_size \\+ t\\*m_frame_size < m_image_size";
constexpr const char* kInterpolationRange =
    "\\(xx < m_dim\\[0\\]-1\\) && \\(yy < m_dim\\[1\\]-1\\) && \\(zz < m_dim\\[2\\]-1\\)";

class AssertionDeathTest : public ::testing::Test {
protected:
    void SetUp() override {
#ifdef NDEBUG
        GTEST_SKIP() << "assertions are compiled out in this build";
#endif
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        image.init(4, 3, 2, 1, 2);
    }
    Ivory::ImageBase<float> image;
};

TEST_F(AssertionDeathTest, IndexBelowTheBlock) {
    EXPECT_DEATH(image.getValue(-1, 0, 0, 0, 0), kIndexBelowBlock);
    EXPECT_DEATH(image.setValue(1.0f, 0, 0, 0, 0, -1), kIndexBelowBlock);
    EXPECT_DEATH(image.at(0, -1, 0, 0, 0), kIndexBelowBlock);
}

TEST_F(AssertionDeathTest, IndexBeyondTheBlock) {
    EXPECT_DEATH(image.getValue(0, 0, 2, 0, 0), kIndexBeyondBlock);
    EXPECT_DEATH(image.setValue(1.0f, 0, 0, 0, 1, 0), kIndexBeyondBlock);
    EXPECT_DEATH(image.at(3, 2, 1, 0, 2), kIndexBeyondBlock);
}

TEST_F(AssertionDeathTest, InterpolationOutsideTheValidRange) {
    float out[2];
    EXPECT_DEATH(image.interpolateLinear(out, 3.0f, 0.5f, 0.5f), kInterpolationRange);
    EXPECT_DEATH(image.interpolateLinear(out, 0.5f, 2.5f, 0.5f), kInterpolationRange);
    EXPECT_DEATH(image.interpolateLinear(out, 0.5f, 0.5f, 1.0f), kInterpolationRange);
    // A single slice is outside the rule, whatever x and y are.
    Ivory::ImageBase<float> flat;
    flat.init(4, 4, 1, 1, 1);
    EXPECT_DEATH(flat.interpolateLinear(out, 1.5f, 1.5f, 0.0f), kInterpolationRange);
}

// The last valid positions must not trip the assertion (an off-by-one would abort here).
TEST_F(AssertionDeathTest, LastValidPositionsPass) {
    image.setValue(8.0f, 3, 2, 1, 0, 1);
    EXPECT_EQ(image.getValue(3, 2, 1, 0, 1), 8.0f);
    float out[2];
    image.interpolateLinear(out, 2.5f, 1.5f, 0.5f);
    EXPECT_EQ(out[1], 1.0f);  // one corner of eight holds 8
}

}  // namespace
