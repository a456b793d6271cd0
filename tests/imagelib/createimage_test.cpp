#include <GL/gl.h>

#include <memory>

#include "ivory/bitmap.h"
#include "ivory/createimage.h"
#include "ivory/imagebase.h"
#include "test_support.h"

namespace {

// The library carries its own codes so that it needs no GL header; they must
// stay the GL enumerants that GL callers pass.
static_assert(Ivory::kTypeByte == GL_BYTE);
static_assert(Ivory::kTypeUnsignedByte == GL_UNSIGNED_BYTE);
static_assert(Ivory::kTypeShort == GL_SHORT);
static_assert(Ivory::kTypeUnsignedShort == GL_UNSIGNED_SHORT);
static_assert(Ivory::kTypeInt == GL_INT);
static_assert(Ivory::kTypeUnsignedInt == GL_UNSIGNED_INT);
static_assert(Ivory::kTypeFloat == GL_FLOAT);
static_assert(Ivory::kTypeDouble == GL_DOUBLE);

template <typename T> class CreateImageTest : public ::testing::Test {};
TYPED_TEST_SUITE(CreateImageTest, IvoryTest::AllElementTypes);

TYPED_TEST(CreateImageTest, CodeMakesAFreshImageOfItsElementType) {
    std::unique_ptr<Ivory::Image> image(Ivory::createImage(Ivory::ElementCode<TypeParam>::value));
    ASSERT_NE(image, nullptr);
    auto* typed = dynamic_cast<Ivory::ImageBase<TypeParam>*>(image.get());
    ASSERT_NE(typed, nullptr);
    EXPECT_EQ(dynamic_cast<Ivory::Bitmap*>(image.get()), nullptr);
    EXPECT_EQ(typed->m_data, nullptr);
    EXPECT_FALSE(typed->m_external);
    EXPECT_EQ(image->m_image_size, 0);
    EXPECT_EQ(image->m_dim[0], 0);
    EXPECT_EQ(image->m_window, nullptr);
    EXPECT_EQ(image->m_verbose, 1);
    EXPECT_EQ(image->m_type, 0);
}

TEST(CreateImage, CodesOutsideTheTableGiveNoImage) {
    for (int code : {0, 0x1407, 0x1408, 0x1409, 0x13FF, 0x140B, -1}) {
        EXPECT_EQ(Ivory::createImage(code), nullptr) << "code " << code;
    }
}

}  // namespace
