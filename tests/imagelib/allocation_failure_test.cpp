// Every allocation of an operation failed in turn, on an image large enough
// to be split over three threads: the process survives, and the operation
// either completes exactly as it does when nothing fails, or reports an error
// line and returns nothing, leaving the image and a caller's output as they
// were.

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "failing_allocator.h"
#include "ivory/bitmap.h"
#include "ivory/elementtypes.h"
#include "ivory/imagebase.h"
#include "ivory/messages.h"
#include "ivory/threading.h"

namespace {

using Ivory::Image;
using Ivory::ImageBase;

constexpr int kWidth = 256, kHeight = 256, kDepth = 16;
const float kKernel[9] = {0.5f, -1.25f, 0.0f, 2.0f, 0.0f, -0.75f, 1.0f, 0.0f, -3.0f};

template <typename T> void append(std::vector<unsigned char>& bytes, const T* values, size_t count) {
    const auto* first = reinterpret_cast<const unsigned char*>(values);
    bytes.insert(bytes.end(), first, first + count * sizeof(T));
}

// Everything observable about an image, as bytes.
std::vector<unsigned char> stateOf(const Image& image) {
    std::vector<unsigned char> bytes;
    append(bytes, image.m_dim, 4);
    append(bytes, image.m_spacing, 4);
    const int32_t fields[] = {image.m_channels, image.m_verbose, image.m_stride, image.m_slice_size,
                              image.m_frame_size, image.m_image_size, image.m_cursor, image.m_type};
    append(bytes, fields, 8);
    if (image.m_window != nullptr) append(bytes, image.m_window, size_t(image.m_channels) * 4);
#define IVORY_APPEND_BLOCK(T, code)                                                       \
    if (auto* typed = dynamic_cast<const ImageBase<T>*>(&image); typed && typed->m_data) \
        append(bytes, typed->m_data, size_t(typed->m_image_size));
    IVORY_ELEMENT_TYPES(IVORY_APPEND_BLOCK)
#undef IVORY_APPEND_BLOCK
    return bytes;
}

// The lines the library reports, kept without allocating: the handler runs
// while an allocation is armed to fail.
struct Lines {
    char text[2048];
    size_t length;
};

void keepLine(const char* line, void* user) {
    Lines& lines = *static_cast<Lines*>(user);
    const int written = std::snprintf(lines.text + lines.length, sizeof lines.text - lines.length, "%s\n", line);
    if (written > 0) lines.length = std::min(sizeof lines.text - 1, lines.length + size_t(written));
}

std::unique_ptr<ImageBase<float>> makeSource() {
    auto image = std::make_unique<ImageBase<float>>();
    image->init(kWidth, kHeight, kDepth, 1, 1);
    image->setSpacing(0.5f, 2.0f, 1.5f, 1.0f);
    for (int i = 0; i < image->m_image_size; ++i) image->m_data[i] = float((int64_t(i) * 7919) % 251) - 125.0f;
    image->setWindow(-125.0f, 125.0f, 0);
    return image;
}

// A caller's output with room for every operation's result, holding values
// none of them writes.
std::unique_ptr<Image> makeOutput() {
    auto image = std::make_unique<ImageBase<short>>();
    image->init(kWidth, kHeight, kDepth, 1, 4);
    for (int i = 0; i < image->m_image_size; ++i) image->m_data[i] = 12345;
    image->m_cursor = 17;
    return image;
}

struct Operation {
    const char* name;
    bool intoCallerOutput;
    std::function<Image*(ImageBase<float>& source, Image* out)> run;
};

const std::vector<Operation>& operations() {
    using Ivory::kTypeByte;
    using Ivory::kTypeFloat;
    static const std::vector<Operation> table = {
        {"filter", false, [](ImageBase<float>& s, Image*) { return s.filter(kTypeFloat, kKernel, 3, nullptr); }},
        {"filter into a caller's output", true,
         [](ImageBase<float>& s, Image* o) { return s.filter(kTypeFloat, kKernel, 3, o); }},
        {"filter into its own block", false,
         [](ImageBase<float>& s, Image*) { return s.filter(kTypeFloat, kKernel, 3, &s); }},
        {"gradient", false,
         [](ImageBase<float>& s, Image*) { return s.gradient(kTypeFloat, nullptr, false, nullptr); }},
        {"hessian", false, [](ImageBase<float>& s, Image*) { return s.hessian(kTypeFloat, kKernel, nullptr); }},
        {"gradient3D", false,
         [](ImageBase<float>& s, Image*) { return s.gradient3D(kTypeByte, nullptr, true, true, nullptr); }},
        {"gradient3D into a caller's output", true,
         [](ImageBase<float>& s, Image* o) { return s.gradient3D(kTypeFloat, nullptr, false, false, o); }},
        {"downsample in place", false, [](ImageBase<float>& s, Image*) { return s.downsample(2, 2, 1, 1, false); }},
        {"downsample into a new image", false,
         [](ImageBase<float>& s, Image*) { return s.downsample(2, 1, 2, 1, true); }},
        {"rotate", false, [](ImageBase<float>& s, Image*) { s.rotate(1); return static_cast<Image*>(nullptr); }},
    };
    return table;
}

// What one run leaves behind.
struct Outcome {
    bool failureInjected = false;
    enum Returned { kNothing, kNewImage, kTheOutput, kTheSource } returned = kNothing;
    std::vector<unsigned char> made, source, output;
    std::string lines;
    bool operator==(const Outcome& o) const {
        return returned == o.returned && made == o.made && source == o.source && output == o.output &&
               lines == o.lines;
    }
};

// Runs the operation on a fresh source (and output) with the failAt-th
// allocation failing (0: none); runs nothing when `call` is false.
Outcome runOnce(const Operation& op, long failAt, bool call = true) {
    auto source = makeSource();
    std::unique_ptr<Image> output = op.intoCallerOutput ? makeOutput() : nullptr;
    Outcome outcome;
    Image* result = nullptr;
    if (call) {
        Lines lines{};
        Ivory::setMessageHandler(keepLine, &lines);
        if (failAt > 0) IvoryTest::failAllocation(failAt);
        result = op.run(*source, output.get());
        outcome.failureInjected = IvoryTest::stopFailingAllocations();
        Ivory::setMessageHandler(nullptr, nullptr);
        outcome.lines.assign(lines.text, lines.length);
    }
    std::unique_ptr<Image> made;
    if (result == source.get()) {
        outcome.returned = Outcome::kTheSource;
    } else if (result != nullptr && result == output.get()) {
        outcome.returned = Outcome::kTheOutput;
    } else if (result != nullptr) {
        outcome.returned = Outcome::kNewImage;
        made.reset(result);
        outcome.made = stateOf(*made);
    }
    outcome.source = stateOf(*source);
    if (output) outcome.output = stateOf(*output);
    return outcome;
}

TEST(AllocationFailure, EveryFailedAllocationGivesTheWholeResultOrAnErrorAndNoChange) {
    Ivory::setThreadCount(3);
    for (const Operation& op : operations()) {
        SCOPED_TRACE(op.name);
        const Outcome expected = runOnce(op, 0);
        const Outcome untouched = runOnce(op, 0, false);
        long failAt = 1;
        for (;; ++failAt) {
            SCOPED_TRACE("allocation " + std::to_string(failAt) + " fails");
            const Outcome got = runOnce(op, failAt);
            if (!got.failureInjected) {
                EXPECT_TRUE(got == expected);
                break;
            }
            if (got == expected) continue;  // the failure cost nothing but time
            EXPECT_EQ(got.returned, Outcome::kNothing);
            EXPECT_TRUE(got.source == untouched.source) << "the image changed";
            EXPECT_TRUE(got.output == untouched.output) << "the caller's output changed";
            EXPECT_EQ(got.lines.rfind("Error", 0), 0u) << got.lines;
        }
        EXPECT_GT(failAt, 1) << "no allocation was seen";
    }
    Ivory::setThreadCount(0);
}

// The reader holds a file stream, whose own buffer would come from a
// throwing new: every allocation of a load may fail, and load still answers.
TEST(AllocationFailure, BitmapLoadGivesTheImageOrMinusOne) {
    const std::string path = std::string(IVORY_TEST_DATA_DIR) + "/im_24bit_7x3.bmp";
    Ivory::Bitmap expected;
    ASSERT_EQ(expected.load(path.c_str()), 1);
    for (long failAt = 1;; ++failAt) {
        SCOPED_TRACE("allocation " + std::to_string(failAt) + " fails");
        Ivory::Bitmap bitmap;
        IvoryTest::failAllocation(failAt);
        const int result = bitmap.load(path.c_str());
        if (!IvoryTest::stopFailingAllocations()) {
            EXPECT_EQ(result, 1);
            EXPECT_TRUE(stateOf(bitmap) == stateOf(expected));
            break;
        }
        EXPECT_TRUE(result == -1 || stateOf(bitmap) == stateOf(expected));
    }
}

}  // namespace
