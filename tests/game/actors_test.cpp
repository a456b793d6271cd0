// The field's construction and texture refusal, and how the player and the enemy
// react to contacts.
#include <cstdint>
#include <string>

#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoTransform.h>

#include "game_test_support.h"
#include "scene/enemy.h"
#include "scene/player.h"
#include "scene/snowball.h"
#include "shell/camera.h"
#include "terrain/field.h"

using FrostfeldTest::captureStdout;
using FrostfeldTest::TempWorkingDir;

namespace {

class DerivedField : public Field {
public:
    using Field::Field;
};

void put16(std::string& out, uint16_t v)
{
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, uint32_t v)
{
    put16(out, static_cast<uint16_t>(v & 0xFFFF));
    put16(out, static_cast<uint16_t>(v >> 16));
}

// A well-formed uncompressed BMP of the given depth (8 bits with a grey palette).
std::string bmpFile(int32_t width, int32_t height, uint16_t bitsPerPixel)
{
    const uint32_t paletteBytes = bitsPerPixel == 8 ? 256 * 4 : 0;
    const uint32_t rowBytes = ((width * bitsPerPixel / 8) + 3) / 4 * 4;
    const uint32_t offset = 14 + 40 + paletteBytes;
    std::string out = "BM";
    put32(out, offset + rowBytes * height);
    put32(out, 0);
    put32(out, offset);
    put32(out, 40);
    put32(out, static_cast<uint32_t>(width));
    put32(out, static_cast<uint32_t>(height));
    put16(out, 1);
    put16(out, bitsPerPixel);
    put32(out, 0);
    put32(out, rowBytes * height);
    put32(out, 2835);
    put32(out, 2835);
    put32(out, bitsPerPixel == 8 ? 256 : 0);
    put32(out, 0);
    for (uint32_t k = 0; k < paletteBytes / 4; ++k) {
        out += std::string(3, static_cast<char>(k));
        out += '\0';
    }
    out += std::string(rowBytes * height, '\x7f');
    return out;
}

struct BitmapCase {
    const char* label;
    std::string content;  // empty: no file at all
};

class SnowTexture : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(SnowTexture, UnusableBitmapIsReportedOnceAndLeavesNoTexture)
{
    TempWorkingDir dir;
    if (!GetParam().content.empty()) {
        dir.write("snow.bmp", GetParam().content);
    }
    Field* field = nullptr;
    EXPECT_EQ(captureStdout([&] { field = new Field(1.0f); }), "Could not open bitmap\n");
    EXPECT_EQ(field->texture, 0u);
    delete field;
}

INSTANTIATE_TEST_SUITE_P(
    Files, SnowTexture,
    ::testing::Values(BitmapCase{"missing", ""}, BitmapCase{"not a bitmap", "BX this is no picture"},
                      BitmapCase{"truncated", bmpFile(8, 8, 24).substr(0, 80)},
                      BitmapCase{"8-bit palette", bmpFile(8, 8, 8)},
                      BitmapCase{"32-bit", bmpFile(8, 8, 32)}));

TEST(FieldConstruction, SizesAndFogAsTheGameUsesThem)
{
    TempWorkingDir noData;
    Field* field = nullptr;
    captureStdout([&] { field = new Field(1.0f); });
    EXPECT_EQ(field->gridSize, 32);
    EXPECT_FLOAT_EQ(field->radius, 2262.7417f);
    EXPECT_EQ(field->fogColor[2], 0.95f);
    EXPECT_EQ(field->heightAt(0.0, 0.0), field->heights[0] * 175.0f);
    EXPECT_EQ(field->heightAt(100.0, 1500.0), field->heights[30 * 32 + 2] * 175.0f);
    delete field;
}

class Contacts : public ::testing::Test {
protected:
    void SetUp() override
    {
        captureStdout([&] { field = new Field(1.0f); });
    }
    void TearDown() override { delete field; }

    TempWorkingDir noData;
    Field* field = nullptr;
};

TEST_F(Contacts, PlayerFollowsTheCameraExactly)
{
    Camera camera;
    camera.position = {123.25f, 45.5f, 678.75f};
    Player player(&camera, nullptr);
    player.update();
    EXPECT_EQ(player.position.x, 123.25f);
    EXPECT_EQ(player.position.y, 45.5f);
    EXPECT_EQ(player.position.z, 678.75f);
    EXPECT_EQ(player.health, 100.0f);
    EXPECT_EQ(player.radius, 7.0f);

    Player lonely;
    lonely.update();
    EXPECT_EQ(lonely.position.x, 0.0f);
}

TEST_F(Contacts, PlayerStandsRadiusAboveAFieldAndIgnoresEverythingElse)
{
    Player player;
    player.position = {420.0f, -3.0f, 610.0f};
    Snowball snowball;
    Player other;
    DerivedField* notExactlyAField = nullptr;
    captureStdout([&] { notExactlyAField = new DerivedField(1.0f); });
    player.onCollision(&snowball);
    player.onCollision(&other);
    player.onCollision(notExactlyAField);
    delete notExactlyAField;
    EXPECT_EQ(player.position.y, -3.0f);

    player.onCollision(field);
    EXPECT_EQ(player.position.y, field->heightAt(420.0, 610.0) + 7.0f);
    EXPECT_EQ(player.position.x, 420.0f);
    EXPECT_EQ(player.health, 100.0f);
}

TEST_F(Contacts, EnemyPutsItsModelPositionOnAFieldOnly)
{
    Enemy enemy;
    EXPECT_EQ(enemy.modelPosition.y, 140.0f);
    Player other;
    enemy.onCollision(&other);
    EXPECT_EQ(enemy.modelPosition.y, 140.0f);
    enemy.onCollision(field);
    EXPECT_EQ(enemy.modelPosition.y, field->heightAt(80.0, 80.0) + 7.0f);
    EXPECT_EQ(enemy.position.y, 0.0f);
}

struct ModelCase {
    const char* label;
    std::string content;  // empty: no file
    std::string message;
    int children;
};

class EnemyModel : public ::testing::TestWithParam<ModelCase> {};

TEST_P(EnemyModel, LoadsOrReportsAndNeverHangsANullChild)
{
    TempWorkingDir dir;
    if (!GetParam().content.empty()) {
        dir.write("texturen/female.iv", GetParam().content);
    }
    Enemy enemy;
    EXPECT_EQ(captureStdout([&] { enemy.loadModel(); }), GetParam().message);
    ASSERT_NE(enemy.modelRoot, nullptr);
    ASSERT_EQ(enemy.modelRoot->getNumChildren(), GetParam().children);
    EXPECT_EQ(enemy.modelRoot->getChild(0), enemy.modelTransform);
    EXPECT_EQ(enemy.model != nullptr, GetParam().children == 2);
    float x, y, z;
    enemy.modelTransform->translation.getValue().getValue(x, y, z);
    EXPECT_EQ(x, 80.0f);
    EXPECT_EQ(y, 140.0f);
    EXPECT_EQ(z, 80.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Files, EnemyModel,
    ::testing::Values(
        ModelCase{"missing", "", "File not found: texturen/female.iv\n", 1},
        ModelCase{"not a scene", "this is not an Inventor file {{{", "Problem reading file: texturen/female.iv\n", 1},
        ModelCase{"valid", "#Inventor V2.1 ascii\n\nSeparator { Cube { } }\n", "", 2}));

}  // namespace
