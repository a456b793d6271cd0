// Frames of the real game on the test run's X display, and the terrain as GL receives it.
#include <GL/freeglut.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <set>
#include <vector>

#include "game_test_support.h"
#include "scene/world.h"
#include "shell/camera.h"
#include "shell/game.h"
#include "shell/input.h"
#include "shell/swapcontrol.h"
#include "shell/window.h"
#include "terrain/field.h"

namespace {

struct Rgb { int r, g, b; };
struct Region { int x, y, width, height; };  // in pixels from the lower left corner, as GL counts
struct Spot { int count = 0, left = 1 << 20, right = -1, bottom = 1 << 20; double meanX = 0.0, meanY = 0.0; };

// The 800 x 600 frame just swapped, from the back buffer: the software rasteriser's swap copies it (the front reads black).
struct Picture {
    Picture() : rgba(800 * 600 * 4) { glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data()); }
    Spot find(const Region& region, bool (*kind)(Rgb)) const
    {
        Spot s;
        for (int y = region.y; y < region.y + region.height; ++y)
            for (int x = region.x; x < region.x + region.width; ++x)
                if (const uint8_t* p = &rgba[(y * 800 + x) * 4]; kind(Rgb{p[0], p[1], p[2]}))
                    s = {s.count + 1, std::min(s.left, x), std::max(s.right, x), std::min(s.bottom, y), s.meanX + x, s.meanY + y};
        s.meanX /= s.count;
        s.meanY /= s.count;
        return s;
    }
    bool all(const Region& region, bool (*kind)(Rgb)) const { return find(region, kind).count == region.width * region.height; }
    std::vector<uint8_t> rgba;
};

bool isFog(Rgb c) { return std::abs(c.r - 204) <= 1 && std::abs(c.g - 230) <= 1 && std::abs(c.b - 242) <= 1; }  // also the clear colour
bool isSnow(Rgb c) { return !isFog(c) && std::min({c.r, c.g, c.b}) > 200; }
bool isTextRed(Rgb c) { return c.r > 150 && c.g < 60 && c.b < 60; }  // red, modulated by the texel it picked up
bool isSnowballGrey(Rgb c) { return !isFog(c) && std::abs(c.r - c.g) < 20 && std::abs(c.g - c.b) < 20 && c.r > 90; }
// The figure's coat, trousers (fog is bluer still, but far lighter) and boots.
bool isCoat(Rgb c) { return c.r > c.g + 50 && c.r > c.b + 40 && !isTextRed(c); }
bool isTrousers(Rgb c) { return c.b > c.r + 25 && c.g < 150; }
bool isFigure(Rgb c) { return isCoat(c) || isTrousers(c) || (c.r > c.b + 30 && c.r < 170 && c.g < 110); }

bool g_exposed = false;

// Each test gets the game's window with a fresh GL context, the game built in it from a copy of the data files.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override { start(nullptr, ""); }
    void TearDown() override { glutDestroyWindow(window_); glutMainLoopEvent(); }
    void start(const char* figure, const char* printed)  // the figure file's content, if not the data folder's
    {
        static int argc = 1;
        static char name[] = "frostfeld_render_tests", *argv[] = {name, nullptr};
        if (glutGet(GLUT_INIT_STATE) == 0) glutInit(&argc, argv);
        glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
        glutInitWindowSize(800, 600);
        window_ = glutCreateWindow("Frostfeld");
        g_exposed = false;
        glutDisplayFunc([] { g_exposed = true; });  // frames are driven by the test
        for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
             !g_exposed && std::chrono::steady_clock::now() < end;) glutMainLoopEvent();
        ASSERT_TRUE(g_exposed) << "the window never appeared";
        std::filesystem::copy(FROSTFELD_DATA_DIR, ".", std::filesystem::copy_options::recursive |
                                                          std::filesystem::copy_options::overwrite_existing);
        if (figure != nullptr) std::ofstream("texturen/female.iv") << figure;
        EXPECT_EQ(captureStdout([] { initGame(); }), printed);
    }
    // The first of the frames still looks from height 0 and only puts the eye on the ground.
    static Picture framesAt(float x, float z, float yaw, float pitch, int count)
    {
        Camera& camera = *g_game->camera = Camera();
        camera.position = Vec3{x, 0.0f, z};
        camera.yaw = yaw;
        camera.pitch = pitch;
        return frames(count);
    }
    static Picture frames(int count) { while (count-- > 0) display(); return Picture(); }

    TempWorkingDir workingDir_;
    int window_ = 0;
};

TEST_F(RenderTest, FirstFrameIsBlackThenFogAndASnowballFliesOutOfTheCentre)
{
    const Region offField{20, 300, 250, 250};  // from the origin the left of the view looks towards z < 0
    EXPECT_TRUE(framesAt(0.0f, 0.0f, 0.0f, 60.0f, 1).all(offField, [](Rgb c) { return c.r + c.g + c.b == 0; }));
    EXPECT_TRUE(framesAt(0.0f, 0.0f, 0.0f, 60.0f, 1).all(offField, isFog));

    ASSERT_TRUE(framesAt(400.0f, 400.0f, 90.0f, 60.0f, 2).all(Region{370, 270, 60, 60}, isFog)) << "sky before the throw";
    mouseButton(GLUT_LEFT_BUTTON, GLUT_DOWN, 400, 300);
    // Thrown along the view from the eye, 0.6 further each frame: 5.4 away in the tenth, a five-sided ball of radius 55 to 75 px.
    const Spot ball = frames(10).find(Region{0, 0, 800, 600}, isSnowballGrey);
    EXPECT_TRUE(ball.count > 3.14 * 55 * 55 && ball.count < 3.14 * 75 * 75) << ball.count;
    EXPECT_TRUE(std::abs(ball.meanX - 399.5) < 3.0 && std::abs(ball.meanY - 299.5) < 3.0) << ball.meanX << ", " << ball.meanY;
}

// The text is drawn before the scene: the hill behind the top right corner must not paint over it.
TEST_F(RenderTest, HealthTextIsRedInTheTopRightCornerInFrontOfAHill)
{
    const Picture picture = framesAt(400.0f, 1460.0f, 240.0f, 0.0f, 3);
    EXPECT_EQ(picture.find(Region{640, 560, 160, 40}, isFog).count, 0) << "the hill fills the corner";
    const Spot text = picture.find(Region{0, 0, 800, 600}, isTextRed);
    EXPECT_GT(text.count, 80);
    EXPECT_EQ(picture.find(Region{660, 570, 140, 30}, isTextRed).count, text.count) << "red only in the text";
    EXPECT_LT(text.left, 665) << "starting at x 660";
}

// Her render action sets its own material and blending: far off, the snow looks as with no readable figure file.
TEST_F(RenderTest, FigureLeavesTheLightingOfTheTexturedSnowAlone)
{
    const Picture withFigure = framesAt(400.0f, 400.0f, 0.0f, -30.0f, 4);
    std::set<int> colours;  // below the horizon: lit white under fog makes a handful, the texture's grain many more
    for (size_t k = 0; k < 800 * 250 * 4; k += 4)
        colours.insert(withFigure.rgba[k] << 16 | withFigure.rgba[k + 1] << 8 | withFigure.rgba[k + 2]);
    EXPECT_GT(colours.size(), 40u);

    TearDown();
    start("#Inventor V2.1 ascii\n\nSeparator { Cube { width }\n", "Problem reading file: texturen/female.iv\n");
    EXPECT_TRUE(framesAt(400.0f, 400.0f, 0.0f, -30.0f, 4).rgba == withFigure.rgba) << "every byte of the frame";
}

// Seen from the start point: she stands on the snow 20 units ahead, facing the eye.
TEST_F(RenderTest, FigureStandsUprightOnTheSnow)
{
    const Picture picture = framesAt(80.0f, 80.0f, 0.0f, -10.0f, 3);
    const Region view{0, 0, 800, 560};
    const Spot coat = picture.find(view, isCoat), trousers = picture.find(view, isTrousers);
    EXPECT_TRUE(coat.count > 800 && trousers.count > 600) << coat.count << ", " << trousers.count;
    EXPECT_GT(coat.meanY, trousers.meanY + 50.0) << "the coat above the legs: she stands upright";
    // Her boots meet the snow: right below her lowest pixels, snow and no sky.
    const Spot figure = picture.find(view, isFigure);
    ASSERT_GT(figure.bottom, 10);
    EXPECT_TRUE(picture.all(Region{figure.left, figure.bottom - 10, figure.right - figure.left + 1, 10}, isSnow));
}

const char* g_offered;
std::string g_asked;
int recordInterval(unsigned interval) { g_asked += " " + std::to_string(interval); return 0; }

// The virtual display has no swap control: stand-ins offer each row's extensions, record what is asked (and called).
TEST_F(RenderTest, SwapIntervalIsAskedOfTheFirstOfExtMesaSgiOfferedUnderItsExactName)
{
    const struct { const char* offered; std::string asked; } table[] = {
        {nullptr, ""}, {"GLX_EXT_swap_control_tear GLX_XMESA_swap_control GLX_SGI_swap_controller", ""},
        {"GLX_SGI_swap_control", "glXSwapIntervalSGI"},
        {"GLX_SGI_swap_control GLX_MESA_swap_control", "glXSwapIntervalMESA 1"},
        {"GLX_EXT_swap_control_tear GLX_SGI_swap_control GLX_MESA_swap_control GLX_EXT_swap_control", "glXSwapIntervalEXT"}};
    for (const auto& row : table) {
        g_offered = row.offered;
        g_asked.clear();
        swapAtDisplayRefresh({[](_XDisplay*, int) { return g_offered; }, [](const unsigned char* name) {
                                  g_asked += reinterpret_cast<const char*>(name);
                                  return g_asked == "glXSwapIntervalMESA" ? reinterpret_cast<void (*)()>(recordInterval) : nullptr;
                              }});
        EXPECT_EQ(g_asked, row.asked) << row.offered;
    }
}

// Feedback from straight above the origin: window x is world x + 25, window y world z + 25, the depth (y + 1) / 177.
TEST_F(RenderTest, TerrainStripsCoverTheGridAtItsHeights)
{
    Field& field = *g_game->world->field;
    const GLfloat worldToEye[16] = {1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1};  // (x, z, -y)
    glViewport(0, 0, 1600, 1600);
    glMatrixMode(GL_PROJECTION);  // the modelview is still the identity: no frame was drawn
    glLoadIdentity();
    glOrtho(-25.0, 1575.0, -25.0, 1575.0, -1.0, 176.0);
    glMultMatrixf(worldToEye);
    std::vector<GLfloat> buffer(1 << 18);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    field.draw(g_game->camera);
    const int values = glRenderMode(GL_RENDER);

    std::set<std::pair<int, int>> drawn;
    int wrong = 0;
    for (int k = 0; k < values; k += 2 + 3 * 11)  // a token, a count of 3, and x, y, depth, RGBA, STRQ each
        for (const GLfloat* p = &buffer[k + 2]; p < &buffer[k + 2 + 3 * 11]; p += 11) {
            const int c = static_cast<int>(std::lround((p[0] - 25.0f) / 50.0f));
            const int r = static_cast<int>(std::lround((p[1] - 25.0f) / 50.0f));
            drawn.insert({c, r});
            const float height = (c >= 0 && c < 32 && r >= 0 && r < 32) ? field.heights[r * 32 + c] * 175.0f : NAN;
            wrong += !(std::abs(p[0] - 25.0f - c * 50.0f) < 0.01f && std::abs(p[1] - 25.0f - r * 50.0f) < 0.01f &&
                       std::abs(p[2] * 177.0f - 1.0f - height) < 0.001f && p[7] == c * 0.25f && p[8] == r * 0.25f);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(drawn.size(), 32u * 32u);  // none outside the grid, or it would count as wrong
}

}  // namespace
