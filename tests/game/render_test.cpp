// Frames of the real game in a real GLUT window (an X display is needed; CI runs
// these under Xvfb), read back from the X server after the frame's swap.

#include <memory>

#include "render_support.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "shell/game.h"
#include "shell/input.h"
#include "shell/swapcontrol.h"
#include "shell/window.h"
#include "terrain/field.h"

using namespace FrostfeldTest;

namespace {

bool isSnowballGrey(Rgb c)
{
    return !isFog(c) && std::abs(c.r - c.g) < 20 && std::abs(c.g - c.b) < 20 && c.r > 90;
}
bool isCoat(Rgb c) { return c.r > c.g + 50 && c.r > c.b + 40 && !isTextRed(c); }
bool isTrousers(Rgb c) { return c.b > c.r + 25 && c.g < 150; }  // fog is bluer still, but far lighter
bool isTerrain(Rgb c) { return !isFog(c) && !isBlack(c); }
bool isSnow(Rgb c) { return isTerrain(c) && std::min({c.r, c.g, c.b}) > 200; }
bool isBoot(Rgb c) { return c.r > c.b + 30 && c.r < 170 && c.g < 110; }
bool isFigure(Rgb c) { return isCoat(c) || isTrousers(c) || isBoot(c); }

const Region kTextCorner{640, 560, 160, 40};
const Region kGround{0, 0, 800, 250};  // below the horizon when looking 30 degrees down

class RenderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!GameWindow::displayAvailable()) {
            GTEST_SKIP() << "no X display (CI runs these under xvfb-run)";
        }
        workingDir_ = std::make_unique<TempWorkingDir>();
        window_ = std::make_unique<GameWindow>();
        ASSERT_TRUE(window_->shown()) << "the window never appeared";
        glutReshapeFunc(reshape);
        ASSERT_GE(glutGet(GLUT_SCREEN_WIDTH), 1000) << "the X screen must hold the window";
        ASSERT_GE(glutGet(GLUT_SCREEN_HEIGHT), 700) << "the X screen must hold the window";
        ASSERT_GE(glutGet(GLUT_WINDOW_RED_SIZE), 8) << "the X screen needs 24-bit colour";
    }

    // With FROSTFELD_RENDER_DUMP_DIR set, a failed test leaves its last frame there.
    void TearDown() override
    {
        const char* dumpDir = std::getenv("FROSTFELD_RENDER_DUMP_DIR");
        if (HasFailure() && dumpDir != nullptr && lastPicture().width > 0) {
            const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
            std::string name = std::string(test->test_suite_name()) + "." + test->name() + ".ppm";
            std::replace(name.begin(), name.end(), '/', '_');
            lastPicture().savePpm(std::string(dumpDir) + "/" + name);
        }
        lastPicture() = Picture(0, 0);
    }

    // Builds the game as the program does, from a copy of the data files less
    // leaveOut; answers what it printed.
    std::string startGame(const std::vector<std::string>& leaveOut = {})
    {
        copyGameData(leaveOut);
        return captureStdout([] { initGame(); });
    }

    // Where the next frame's camera stands and looks; the frame puts it on the ground.
    static void aim(float x, float z, float yaw, float pitch)
    {
        Camera& camera = *g_game->camera;
        camera.position = Vec3{x, 0.0f, z};
        camera.yaw = yaw;
        camera.pitch = pitch;
    }

    static Picture frames(int count)
    {
        for (int i = 0; i < count; ++i) {
            display();
        }
        lastPicture() = GameWindow::readScreen();
        return lastPicture();
    }

    // A new window and GL context for a second game in the same test, as a fresh process has.
    void reopenWindow()
    {
        window_.reset();
        window_ = std::make_unique<GameWindow>();
        ASSERT_TRUE(window_->shown()) << "the window never appeared";
        glutReshapeFunc(reshape);
    }

    static Picture& lastPicture()
    {
        static Picture picture(0, 0);
        return picture;
    }

    // Aims, then runs count frames; the first of them still looks from height 0 and
    // only puts the eye on the ground.
    static Picture framesAt(float x, float z, float yaw, float pitch, int count)
    {
        aim(x, z, yaw, pitch);
        return frames(count);
    }

private:
    std::unique_ptr<TempWorkingDir> workingDir_;
    std::unique_ptr<GameWindow> window_;
};

TEST_F(RenderTest, FirstFrameClearsToBlackLaterFramesToTheFogColour)
{
    EXPECT_EQ(startGame(), "");
    g_game->camera->pitch = 60.0f;  // the start pose otherwise: origin, looking along +x
    // The left of the view looks towards z < 0, off the field: only background there.
    const Region offField{20, 300, 250, 250};

    const Picture first = frames(1);
    EXPECT_EQ(first.count(offField, isBlack), offField.width * offField.height);

    const Picture second = frames(1);
    EXPECT_EQ(second.count(offField, isFog), offField.width * offField.height);
    EXPECT_EQ(second.count(second.whole(), isBlack), 0);
}

// The text is drawn before the scene; here a hill rises behind the top right corner
// (the eye looks level across a valley at it) and must not paint over the text.
TEST_F(RenderTest, HealthTextIsRedInTheTopRightCornerInFrontOfAHill)
{
    startGame();
    const Picture picture = framesAt(400.0f, 1460.0f, 240.0f, 0.0f, 3);
    EXPECT_EQ(picture.count(kTextCorner, isFog), 0) << "the hill fills the corner";
    EXPECT_GT(picture.count(Region{0, 500, 200, 100}, isFog), 0) << "sky elsewhere";

    const int inCorner = picture.count(Region{660, 570, 140, 30}, isTextRed);
    EXPECT_GT(inCorner, 80);
    EXPECT_GT(picture.count(Region{660, 570, 20, 30}, isTextRed), 5) << "the H starts at x 660";
    EXPECT_EQ(picture.count(picture.whole(), isTextRed), inCorner) << "red only in the text";
    EXPECT_EQ(picture.count(Region{0, 0, 658, 600}, isTextRed), 0);
    EXPECT_EQ(picture.count(Region{0, 0, 800, 565}, isTextRed), 0);
}

TEST_F(RenderTest, TerrainIsDrawnWithTheSnowTexture)
{
    EXPECT_EQ(startGame(), "");
    EXPECT_NE(g_game->world->field->texture, 0u);
    const Picture picture = framesAt(400.0f, 400.0f, 0.0f, -30.0f, 2);

    EXPECT_EQ(picture.count(kGround, isTerrain), kGround.width * kGround.height);
    // Lit white under fog changes only slowly with depth: a handful of colours. The
    // texture's grain and drifts add many more.
    EXPECT_GT(picture.distinctColours(kGround), 40);
}

// The figure's render action sets its own material, normal and blending state. Far
// from her, the snow must look the same as in a game whose figure file is empty.
TEST_F(RenderTest, FigureLeavesTheLightingOfTheSnowAlone)
{
    startGame();
    const Picture withFigure = framesAt(400.0f, 400.0f, 0.0f, -30.0f, 4);
    reopenWindow();
    std::ofstream("texturen/female.iv") << "#Inventor V2.1 ascii\n\nSeparator { }\n";
    EXPECT_EQ(captureStdout([] { initGame(); }), "");
    const Picture withoutFigure = framesAt(400.0f, 400.0f, 0.0f, -30.0f, 4);

    EXPECT_EQ(withFigure.count(kGround, isTerrain), kGround.width * kGround.height);
    ASSERT_EQ(withFigure.rgba.size(), withoutFigure.rgba.size());
    int differing = 0;
    for (size_t i = 0; i < withFigure.rgba.size(); ++i) {
        differing += withFigure.rgba[i] != withoutFigure.rgba[i] ? 1 : 0;
    }
    EXPECT_EQ(differing, 0) << "bytes of the whole frame";
}

TEST_F(RenderTest, MissingSnowBitmapIsReportedAndTheTerrainDrawnPlain)
{
    EXPECT_EQ(startGame({"snow.bmp"}), "Could not open bitmap\n");
    EXPECT_EQ(g_game->world->field->texture, 0u);
    const Picture picture = framesAt(400.0f, 400.0f, 0.0f, -30.0f, 2);

    EXPECT_EQ(picture.count(kGround, isTerrain), kGround.width * kGround.height);
    EXPECT_LT(picture.distinctColours(kGround), 15);
    EXPECT_GT(framesAt(400.0f, 400.0f, 0.0f, 60.0f, 2).count(kTextCorner, isTextRed), 80) << "the frame runs on";
}

TEST_F(RenderTest, SnowballFliesOutOfTheCentreOfTheView)
{
    startGame();
    const Picture before = framesAt(400.0f, 400.0f, 0.0f, 60.0f, 2);
    const Region centre{370, 270, 60, 60};
    ASSERT_EQ(before.count(centre, isFog), centre.width * centre.height) << "sky before the throw";

    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 400, 300);
    // Drawn first at the eye, then 0.6 further each frame: 5.4 away in the tenth frame,
    // a disc of about 75 pixels' radius around the centre.
    const Picture after = frames(10);

    EXPECT_EQ(after.count(centre, isSnowballGrey), centre.width * centre.height);
    long sumX = 0;
    long sumY = 0;
    const int grey = after.count(after.whole(), isSnowballGrey);
    for (int y = 0; y < after.height; ++y) {
        for (int x = 0; x < after.width; ++x) {
            if (isSnowballGrey(after.at(x, y))) {
                sumX += x;
                sumY += y;
            }
        }
    }
    ASSERT_GT(grey, 0);
    EXPECT_NEAR(static_cast<double>(sumX) / grey, 399.5, 3.0);
    EXPECT_NEAR(static_cast<double>(sumY) / grey, 299.5, 3.0);
    EXPECT_EQ(after.count(Region{0, 0, 250, 150}, isSnowballGrey), 0) << "a small ball, not the whole view";
    EXPECT_EQ(after.count(Region{550, 0, 250, 150}, isSnowballGrey), 0);
}

// Seen from the start point: she stands on the snow 20 units ahead, facing the eye.
TEST_F(RenderTest, FigureStandsUprightOnTheSnow)
{
    startGame();
    const Picture picture = framesAt(80.0f, 80.0f, 0.0f, -10.0f, 3);

    const Region view{0, 0, 800, 560};
    const int coat = picture.count(view, isCoat);
    const int trousers = picture.count(view, isTrousers);
    EXPECT_GT(coat, 800);
    EXPECT_GT(trousers, 600);
    double coatY = 0.0;
    double trousersY = 0.0;
    int lowest = view.height;
    for (int y = view.y; y < view.y + view.height; ++y) {
        for (int x = view.x; x < view.x + view.width; ++x) {
            coatY += isCoat(picture.at(x, y)) ? y : 0;
            trousersY += isTrousers(picture.at(x, y)) ? y : 0;
            lowest = isFigure(picture.at(x, y)) ? std::min(lowest, y) : lowest;
        }
    }
    ASSERT_GT(coat * trousers, 0);
    EXPECT_GT(coatY / coat, trousersY / trousers + 50.0) << "the coat above the legs: she stands upright";

    // Her boots meet the snow: right below her lowest pixels, snow and no sky.
    ASSERT_GT(lowest, 10);
    int left = view.width;
    int right = 0;
    for (int x = view.x; x < view.x + view.width; ++x) {
        if (isFigure(picture.at(x, lowest))) {
            left = std::min(left, x);
            right = std::max(right, x);
        }
    }
    const Region belowBoots{left, lowest - 10, right - left + 1, 10};
    EXPECT_EQ(picture.count(belowBoots, isSnow), belowBoots.width * belowBoots.height);
}

// Where the driver offers a swap-control extension that can be read back, the game
// asks for one display refresh per swap. (Mesa under Xvfb offers none.)
TEST_F(RenderTest, SwapsWaitForTheDisplayRefresh)
{
    const std::string extensions = glxExtensions();
    if (chooseSwapControl(extensions.c_str()) != SwapControl::Ext) {
        GTEST_SKIP() << "no GLX_EXT_swap_control on this display: " << extensions;
    }
    setSwapInterval(0);
    startGame();
    EXPECT_EQ(swapInterval(), 1);
}

struct BrokenModelCase {
    const char* name;
    const char* contents;  // null: no model file at all
    const char* message;
};

void PrintTo(const BrokenModelCase& broken, std::ostream* out) { *out << broken.name; }

class BrokenModelTest : public RenderTest, public ::testing::WithParamInterface<BrokenModelCase> {};

TEST_P(BrokenModelTest, IsReportedAndTheGameRunsOnWithoutTheFigure)
{
    const BrokenModelCase& broken = GetParam();
    if (broken.contents != nullptr) {
        std::filesystem::create_directories("texturen");
        std::ofstream("texturen/female.iv") << broken.contents;
    }
    EXPECT_EQ(startGame({"texturen/female.iv"}), broken.message);
    const Picture picture = framesAt(80.0f, 80.0f, 0.0f, -10.0f, 3);

    EXPECT_EQ(picture.count(Region{0, 0, 800, 560}, isCoat), 0);
    EXPECT_GT(picture.count(kTextCorner, isTextRed), 80) << "the frame runs on";
}

INSTANTIATE_TEST_SUITE_P(
    Model, BrokenModelTest,
    ::testing::Values(BrokenModelCase{"Missing", nullptr, "File not found: texturen/female.iv\n"},
                      BrokenModelCase{"NotAScene", "#Inventor V2.1 ascii\n\nSeparator { Cube { width }\n",
                                      "Problem reading file: texturen/female.iv\n"}),
    [](const ::testing::TestParamInfo<BrokenModelCase>& info) { return std::string(info.param.name); });

// The figure's render action must not undo the window's viewport: after a resize the
// 4:3 picture fills the whole window and the text keeps its place from the lower left.
TEST_F(RenderTest, ResizedWindowKeepsItsViewportAcrossFrames)
{
    startGame();
    glutReshapeWindow(1000, 700);
    ASSERT_TRUE(GameWindow::pumpUntil([] {
        GLint viewport[4];
        glGetIntegerv(GL_VIEWPORT, viewport);
        return viewport[2] == 1000 && viewport[3] == 700;
    })) << "reshape never ran";
    const Picture picture = framesAt(400.0f, 400.0f, 0.0f, 0.0f, 3);
    ASSERT_EQ(picture.width, 1000);
    ASSERT_EQ(picture.height, 700);

    const Region rightEdgeGround{900, 10, 90, 100};
    EXPECT_EQ(picture.count(rightEdgeGround, isTerrain), rightEdgeGround.width * rightEdgeGround.height);
    EXPECT_GT(picture.count(Region{660, 570, 140, 30}, isTextRed), 80);
    EXPECT_EQ(picture.count(Region{0, 640, 1000, 60}, isTextRed), 0);
}

}  // namespace
