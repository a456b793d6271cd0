// The field's refusal of unusable bitmaps, the enemy's model loading, and how the
// player and the enemy react to contacts.
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

// A well-formed uncompressed BMP header of the given depth, then zero bytes for pixels.
std::string bmpFile(int32_t side, uint16_t bits)
{
    const uint32_t palette = bits == 8 ? 1024 : 0;
    const uint32_t pixels = (side * bits / 8 + 3) / 4 * 4 * side;
    const uint32_t fields[] = {54 + palette + pixels, 0, 54 + palette, 40, uint32_t(side), uint32_t(side),
                               1u | (uint32_t(bits) << 16), 0, pixels, 2835, 2835, palette / 4, 0};
    std::string out = "BM";
    for (uint32_t v : fields) {
        for (int byte = 0; byte < 4; ++byte) out += static_cast<char>((v >> (8 * byte)) & 0xFF);
    }
    return out + std::string(palette + pixels, '\0');
}

TEST(SnowTexture, AnUnusableBitmapIsReportedAndLeavesNoTexture)
{
    for (const std::string& content : {std::string(), std::string("BX no picture"),
                                       bmpFile(8, 24).substr(0, 80), bmpFile(8, 8), bmpFile(8, 32)}) {
        TempWorkingDir dir;
        if (!content.empty()) dir.write("snow.bmp", content);
        Field* field = nullptr;
        EXPECT_EQ(captureStdout([&] { field = new Field(1.0f); }), "Could not open bitmap\n") << content.size();
        EXPECT_EQ(field->texture, 0u);
        EXPECT_FLOAT_EQ(field->radius, 2262.7417f);
        delete field;
    }
}

class DerivedField : public Field {
public:
    using Field::Field;
};

class Contacts : public ::testing::Test {
protected:
    void SetUp() override
    {
        captureStdout([&] {
            field = new Field(1.0f);
            derived = new DerivedField(1.0f);
        });
    }
    void TearDown() override
    {
        delete field;
        delete derived;
    }
    TempWorkingDir noData;
    Field* field = nullptr;
    Field* derived = nullptr;
};

TEST_F(Contacts, PlayerFollowsTheCameraAndStandsOnlyOnAField)
{
    Camera camera;
    camera.position = {420.0f, -3.0f, 610.0f};
    Player player(&camera, field);
    player.update();
    EXPECT_EQ(player.position.x, 420.0f);
    EXPECT_EQ(player.position.y, -3.0f);
    Snowball snowball;
    Player other;
    for (Object* notAField : {static_cast<Object*>(&snowball), static_cast<Object*>(&other), static_cast<Object*>(derived)}) {
        player.onCollision(notAField);
    }
    EXPECT_EQ(player.position.y, -3.0f);
    player.onCollision(field);
    EXPECT_EQ(player.position.y, field->heightAt(420.0, 610.0) + 7.0f);

    Player lonely;  // no camera: stays at the origin
    lonely.update();
    EXPECT_EQ(lonely.position.x, 0.0f);
}

TEST_F(Contacts, EnemyPutsItsModelPositionOnlyOnAField)
{
    Enemy enemy;
    Player other;
    enemy.onCollision(&other);
    enemy.onCollision(derived);
    EXPECT_EQ(enemy.modelPosition.y, 140.0f);
    enemy.onCollision(field);
    EXPECT_EQ(enemy.modelPosition.y, field->heightAt(80.0, 80.0) + 7.0f);
    EXPECT_EQ(enemy.position.y, 0.0f);
}

TEST(EnemyModel, LoadsOrReportsAndNeverHangsANullChild)
{
    const struct {
        std::string content;  // empty: no file
        std::string message;
        int children;
    } table[] = {{"", "File not found: texturen/female.iv\n", 1},
                 {"this is not a scene {{{", "Problem reading file: texturen/female.iv\n", 1},
                 {"#Inventor V2.1 ascii\n\nSeparator { Cube { } }\n", "", 2}};
    for (const auto& row : table) {
        TempWorkingDir dir;
        if (!row.content.empty()) dir.write("texturen/female.iv", row.content);
        Enemy enemy;
        EXPECT_EQ(captureStdout([&] { enemy.loadModel(); }), row.message);
        ASSERT_EQ(enemy.modelRoot->getNumChildren(), row.children);
        EXPECT_EQ(enemy.modelRoot->getChild(0), enemy.modelTransform);
        EXPECT_EQ(enemy.model != nullptr, row.children == 2);
        float x, y, z;
        enemy.modelTransform->translation.getValue().getValue(x, y, z);
        EXPECT_EQ(x, 80.0f);
        EXPECT_EQ(y, 140.0f);
        EXPECT_EQ(z, 80.0f);
    }
}

}  // namespace
