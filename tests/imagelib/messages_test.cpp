// Each refused call gives its one line through the handler (none on standard output), a null result and no change
// to image or output. Type codes and the limits of the comparison suite's shapes are pinned there.

#include <functional>

#include "ivory/messages.h"
#include "test_support.h"

namespace {

using Ivory::Image;
using Ivory::ImageBase;
using Lines = std::vector<std::string>;

void collect(const char* line, void* user) { static_cast<Lines*>(user)->push_back(line); }

// A silent float volume holding x + y + z.
std::unique_ptr<ImageBase<float>> volume(int width, int height, int depth) {
    auto image = std::make_unique<ImageBase<float>>();
    image->m_verbose = 0;
    image->init(width, height, depth, 1, 1);
    for (int i = 0; i < image->m_image_size; ++i) image->m_data[i] = float(i % width + i / width % height + i / width / height);
    return image;
}

const float kBox[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};
const std::string kUnsignedFilter = "Error: unsigned data type, cannot compute filtered image!";
const std::string kTooSmall = "Error: image too small, cannot compute gradient!";
const std::string kOutputTooSmall = "Error: output image too small!";

// line empty: accepted silently; w, h, d: the source volume's.
struct Call { std::string line; int w, h, d; std::function<Image*(ImageBase<float>& source, Image* out)> call; };

// out, made a one-channel float output of `elements` elements.
Image* withOutput(Image* out, int elements) { return out->init(elements, 1, 1, 1, 1), out; }

const Call kCalls[] = {
    {"Error while initializing!", 4, 4, 1, [](auto&, auto) { return ImageBase<float>().init(-1, 4, 1, 1, 1), nullptr; }},
    {"Error: downsampling factors must be at least 1!", 4, 4, 1, [](auto& s, auto) { return s.downsample(0, 1, 1, 1, true); }},
    {"Error: rotation axis must be 0, 1 or 2!", 4, 4, 1, [](auto& s, auto) { return s.rotate(3), nullptr; }},
    {"Error: rotation axis must be 0, 1 or 2!", 4, 4, 1, [](auto& s, auto) { return s.rotate(-1), nullptr; }},
    {"Error: no such slice or channel!", 4, 4, 1, [](auto& s, auto) { return s.sliceToBytes(nullptr, -1, 0, false), nullptr; }},
    {"Error: no such slice or channel!", 4, 4, 1, [](auto& s, auto) { return s.sliceToBytes(nullptr, 0, 1, false), nullptr; }},
    {"Error: no such slice or channel!", 4, 4, 0, [](auto& s, auto) { return s.sliceToBytes(nullptr, 0, 0, false), nullptr; }},
    {"Error: border too wide for the image!", 5, 8, 1, [](auto& s, auto) { return s.fillBorder(3), nullptr; }},
    // filter: the checks in order (the source's type stands for type 0), some with an output given
    {kUnsignedFilter, 5, 5, 1, [](auto& s, auto o) { return s.m_type = 0x1401, s.filter(0, kBox, 3, withOutput(o, 25)); }},
    {"Error: Cannot compute filtered image without filter!", 5, 5, 1, [](auto& s, auto) { return s.filter(0x1406, nullptr, 4, nullptr); }},
    {"Error: Window size must be positive!", 5, 5, 1, [](auto& s, auto o) { return s.filter(0x1406, kBox, 0, withOutput(o, 25)); }},
    {"Error: Window size must be positive!", 5, 5, 1, [](auto& s, auto) { return s.filter(0x1406, kBox, -1, nullptr); }},
    {"Error: Window size must be an odd number!", 5, 5, 1, [](auto& s, auto) { return s.filter(0x1406, kBox, 2, nullptr); }},
    {"Error: Window size exceeds the image!", 5, 2, 1, [](auto& s, auto) { return s.filter(0x1406, kBox, 3, nullptr); }},
    {"Error: Window size exceeds the image!", 2, 5, 1, [](auto& s, auto o) { return s.filter(0x1406, kBox, 3, withOutput(o, 10)); }},
    {kOutputTooSmall, 4, 3, 2, [](auto& s, auto o) { return s.filter(0x1406, kBox, 1, withOutput(o, 23)); }},
    {kOutputTooSmall, 4, 3, 2, [](auto& s, auto o) { return o->init(4, 3, 2, 1, 1), o->releaseData(), s.filter(0x1406, kBox, 1, o); }},
    {"Error: unsigned data type, cannot compute gradient!", 4, 4, 1,
     [](auto& s, auto o) { return s.gradient(0x1401, nullptr, true, withOutput(o, 32)); }},
    {kTooSmall, 2, 5, 1, [](auto& s, auto) { return s.gradient(0x1406, nullptr, false, nullptr); }},
    {kTooSmall, 5, 2, 1, [](auto& s, auto o) { return s.gradient(0x1406, nullptr, false, withOutput(o, 30)); }},
    // a volume too thin along one axis only, each axis (such volumes were once accepted and overran)
    {kTooSmall, 5, 5, 2, [](auto& s, auto) { return s.gradient3D(0x1406, nullptr, false, false, nullptr); }},
    {kTooSmall, 2, 5, 5, [](auto& s, auto) { return s.gradient3D(0x1406, nullptr, false, false, nullptr); }},
    {kTooSmall, 5, 2, 5, [](auto& s, auto) { return s.gradient3D(0x1406, nullptr, false, false, nullptr); }},
    // Outputs one element short of what is written (the comparison writes into exactly large enough ones).
    {kOutputTooSmall, 5, 4, 3, [](auto& s, auto o) { return s.gradient(0x1406, nullptr, false, withOutput(o, 35)); }},
    {kOutputTooSmall, 5, 4, 3, [](auto& s, auto o) { return s.gradient(0x1406, nullptr, true, withOutput(o, 119)); }},
    {kOutputTooSmall, 5, 4, 3, [](auto& s, auto o) { return s.hessian(0x1406, nullptr, withOutput(o, 179)); }},
    {kOutputTooSmall, 5, 4, 3, [](auto& s, auto o) { return s.gradient3D(0x1406, nullptr, false, false, withOutput(o, 17)); }},
    {kOutputTooSmall, 5, 4, 3, [](auto& s, auto o) { return s.gradient3D(0x1406, nullptr, true, true, withOutput(o, 239)); }},
    // a line that is no error goes the same way
    {"Rotated image around axis 2", 4, 4, 1, [](auto& s, auto) { return s.m_verbose = 1, s.rotate(2), &s; }},
};

TEST(MessageRouting, EveryCallerErrorReportsItsLineThroughTheHandlerAndChangesNothing) {
    Lines received;
    Ivory::setMessageHandler(collect, &received);
    for (const Call& c : kCalls) {
        SCOPED_TRACE(c.line);
        auto source = volume(c.w, c.h, c.d);
        ImageBase<float> out;
        received.clear();
        Image* result = nullptr;
        EXPECT_EQ(IvoryTest::captureStdout([&] { result = c.call(*source, &out); }), "");
        std::unique_ptr<Image> made(result != &out && result != source.get() ? result : nullptr);
        const bool refused = c.line.rfind("Error", 0) == 0;
        EXPECT_EQ(received, c.line.empty() ? Lines{} : Lines{c.line});
        EXPECT_EQ(result == nullptr, refused);
        if (refused) {
            EXPECT_TRUE(std::equal(source->m_data, source->m_data + source->m_image_size, volume(c.w, c.h, c.d)->m_data));
            EXPECT_EQ(out.m_cursor, 0);
            EXPECT_TRUE(!out.m_data || std::count(out.m_data, out.m_data + out.m_image_size, 0.0f) == out.m_image_size);  // zeroes, as made
        }
    }
    Ivory::setMessageHandler(nullptr, &received);  // the default again: standard output
    received.clear();
    EXPECT_EQ(IvoryTest::captureStdout([] { volume(4, 4, 1)->rotate(3); }), "Error: rotation axis must be 0, 1 or 2!\n");
    EXPECT_TRUE(received.empty());
}

}  // namespace
