// Each allocation of an operation fails in turn, on an image split over three threads: the operation either
// completes as when nothing fails, or reports its line and returns nothing, changing neither image nor output.

#include "failing_allocator.h"
#include "ivory/bitmap.h"
#include "ivory/messages.h"
#include "library_bridge.h"

namespace {

using Ivory::Image;
using Source = Ivory::ImageBase<float>;

const float kKernel[9] = {0.5f, -1.25f, 0.0f, 2.0f, 0.0f, -0.75f, 1.0f, 0.0f, -3.0f};

void keepLine(const char* line, void* user) { static_cast<std::string*>(user)->append(line).push_back('\n'); }

// memoryError: or "Error while initializing!" for a new image; empty: silent.
struct Operation { const char* memoryError; std::function<Image*(Source& source, Image* out)> run; };
const Operation kOperations[] = {
    {"Error: not enough memory to filter the image!", [](auto& s, auto) { return s.filter(0x1406, kKernel, 3, nullptr); }},
    {"Error: not enough memory to filter the image!", [](auto& s, auto o) { return s.filter(0x1406, kKernel, 3, o); }},
    {"Error: not enough memory to filter the image!", [](auto& s, auto) { return s.filter(0x1406, kKernel, 3, &s); }},
    {"Error: not enough memory to compute the gradient!", [](auto& s, auto) { return s.gradient(0x1406, nullptr, false, nullptr); }},
    {"Error: not enough memory to compute the hessian!", [](auto& s, auto) { return s.hessian(0x1406, kKernel, nullptr); }},
    {"Error: not enough memory to compute the gradient!", [](auto& s, auto) { return s.gradient3D(0x1400, nullptr, true, true, nullptr); }},
    {"Error: not enough memory to compute the gradient!", [](auto& s, auto o) { return s.gradient3D(0x1406, nullptr, false, false, o); }},
    {"Error: not enough memory to downsample the image!", [](auto& s, auto) { return s.downsample(2, 2, 1, 1, false); }},
    {"Error: not enough memory to downsample the image!", [](auto& s, auto) { return s.downsample(2, 1, 2, 1, true); }},
    {"Error: not enough memory to rotate the image!", [](auto& s, auto) { return s.rotate(1), nullptr; }},
    {"Error: not enough memory to flip the image!", [](auto& s, auto) { return s.flip(true, false, true, false), nullptr; }},
    {"Error: not enough memory to scale the image!", [](auto& s, auto) { return s.scaleToPowerOfTwo(), nullptr; }},
    {"Error: not enough memory to export the image!", [](auto& s, auto) { return delete[] s.toShorts(nullptr, true), nullptr; }},
    // loading is silent as always; its file stream's own buffer would come from a throwing new
    {"", [](auto&, auto) -> Image* {
         std::unique_ptr<Ivory::Bitmap> bitmap(new (std::nothrow) Ivory::Bitmap);
         return bitmap && bitmap->load(IVORY_TEST_DATA_DIR "/im_24bit_7x3.bmp") == 1 ? bitmap.release() : nullptr;
     }},
};

// What one run on a fresh source and caller's output leaves behind, the failAt-th allocation failing (0: none).
IvoryReference::Outcome runOnce(const Operation& op, long failAt, bool& failed) {
    Source source;
    source.init(256, 256, 16, 1, 1);
    source.setSpacing(0.5f, 2.0f, 1.5f, 1.0f);
    source.setWindow(-125.0f, 125.0f, 0);
    for (int i = 0; i < source.m_image_size; ++i) source.m_data[i] = float(int64_t(i) * 7919 % 251) - 125.0f;
    Ivory::ImageBase<short> out;  // room for every result, holding values none writes
    out.init(256, 256, 16, 1, 4);
    std::fill_n(out.m_data, out.m_image_size, short(12345));
    out.m_cursor = 17;
    std::string printed;
    printed.reserve(4096);  // lines are kept without allocating while an allocation is armed to fail
    Ivory::setMessageHandler(keepLine, &printed);
    IvoryTest::failAllocation(failAt);
    Image* const result = op.run(source, &out);
    failed = IvoryTest::stopFailingAllocations();
    Ivory::setMessageHandler(nullptr, nullptr);
    const int returned = result == nullptr ? 0 : result == &source ? 1 : result == &out ? 2 : 3;
    IvoryReference::Outcome outcome = returned == 3 ? IvoryReference::made(result) : IvoryReference::Outcome();
    outcome.values("returned nothing, the source, the output or a new image", &returned, 1).image("source", &source).image("output", &out);
    outcome.printed = printed;
    return outcome;
}

TEST(AllocationFailure, EveryFailedAllocationGivesTheWholeResultOrAnErrorAndNoChange) {
    Ivory::setThreadCount(3);
    bool failed = false;
    const auto untouched = runOnce({"", [](auto&, auto) -> Image* { return nullptr; }}, 0, failed);
    for (const Operation& op : kOperations) {
        SCOPED_TRACE("operation " + std::to_string(&op - kOperations));
        const auto expected = runOnce(op, 0, failed);
        const std::string error = *op.memoryError != '\0' ? op.memoryError + std::string("\n") : "";
        long failAt = 1;
        for (;; ++failAt) {
            SCOPED_TRACE("allocation " + std::to_string(failAt) + " fails");
            auto got = runOnce(op, failAt, failed);
            if (!failed) {
                EXPECT_TRUE(IvoryReference::sameOutcome(got, expected));
                break;
            }
            if (IvoryReference::sameOutcome(got, expected)) continue;  // the failure cost nothing but time
            EXPECT_TRUE(got.printed == error || got.printed == "Error while initializing!\n") << got.printed;
            got.printed = "";
            EXPECT_TRUE(IvoryReference::sameOutcome(got, untouched));
        }
        EXPECT_GT(failAt, 1) << "no allocation was seen";
    }
    Ivory::setThreadCount(0);
}

}  // namespace
