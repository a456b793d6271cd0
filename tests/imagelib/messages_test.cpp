// Routing of the library's lines: with a handler set, every line an
// operation reports reaches it and nothing reaches standard output; a null
// handler restores the default, standard output. The table holds every error
// text the library reports, one refused call each. (filter_test,
// gradient_test, intensity_test, model_test and resample_test assert the same
// texts through standard output beside each operation.)

#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ivory/imagebase.h"
#include "ivory/messages.h"
#include "test_support.h"

namespace {

using Lines = std::vector<std::string>;

void collect(const char* line, void* user) { static_cast<Lines*>(user)->push_back(line); }

// A float volume of the given shape holding x + y + z, silent unless asked.
std::unique_ptr<Ivory::ImageBase<float>> volume(int width, int height, int depth, int verbose = 0) {
    auto image = std::make_unique<Ivory::ImageBase<float>>();
    image->m_verbose = verbose;
    image->init(width, height, depth, 1, 1);
    for (int z = 0; z < depth; ++z)
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) image->setValue(float(x + y + z), x, y, z, 0, 0);
    return image;
}

const float kBox[9] = {1, 1, 1, 1, 1, 1, 1, 1, 1};

// Runs an operation that may return a new image and releases what it made.
void discard(Ivory::Image* made) { delete made; }

struct Report {
    const char* what;
    std::function<void()> call;
    const char* line;
};

const Report kReports[] = {
    {"refused shape", [] { Ivory::ImageBase<float>().init(-1, 4, 1, 1, 1); }, "Error while initializing!"},
    {"downsample factor 0", [] { discard(volume(4, 4, 1)->downsample(0, 1, 1, 1, true)); },
     "Error: downsampling factors must be at least 1!"},
    {"rotate about axis 3", [] { volume(4, 4, 1)->rotate(3); }, "Error: rotation axis must be 0, 1 or 2!"},
    {"slice -1", [] { delete[] volume(4, 4, 1)->sliceToBytes(nullptr, -1, 0, false); },
     "Error: no such slice or channel!"},
    {"filter into bytes", [] { discard(volume(5, 5, 1)->filter(Ivory::kTypeUnsignedByte, kBox, 3, nullptr)); },
     "Error: unsigned data type, cannot compute filtered image!"},
    {"filter without kernel", [] { discard(volume(5, 5, 1)->filter(Ivory::kTypeFloat, nullptr, 3, nullptr)); },
     "Error: Cannot compute filtered image without filter!"},
    {"filter of size -1", [] { discard(volume(5, 5, 1)->filter(Ivory::kTypeFloat, kBox, -1, nullptr)); },
     "Error: Window size must be positive!"},
    {"filter of even size", [] { discard(volume(5, 5, 1)->filter(Ivory::kTypeFloat, kBox, 2, nullptr)); },
     "Error: Window size must be an odd number!"},
    {"filter wider than the image", [] { discard(volume(2, 2, 1)->filter(Ivory::kTypeFloat, kBox, 3, nullptr)); },
     "Error: Window size exceeds the image!"},
    {"filter into no type", [] { discard(volume(5, 5, 1)->filter(0x1408, kBox, 3, nullptr)); },
     "Error: unknown data type, cannot create output image!"},
    {"filter into a small image",
     [] {
         auto small = volume(2, 2, 1);
         discard(volume(5, 5, 1)->filter(Ivory::kTypeFloat, kBox, 3, small.get()));
     },
     "Error: output image too small!"},
    {"border of 3 in 5 x 5", [] { volume(5, 5, 1)->fillBorder(3); }, "Error: border too wide for the image!"},
    {"gradient into shorts",
     [] { discard(volume(5, 5, 1)->gradient(Ivory::kTypeUnsignedShort, nullptr, true, nullptr)); },
     "Error: unsigned data type, cannot compute gradient!"},
    {"gradient of 2 x 5", [] { discard(volume(2, 5, 1)->gradient(Ivory::kTypeFloat, nullptr, false, nullptr)); },
     "Error: image too small, cannot compute gradient!"},
    {"hessian into ints", [] { discard(volume(5, 5, 1)->hessian(Ivory::kTypeUnsignedInt, nullptr, nullptr)); },
     "Error: unsigned data type, cannot compute hessian!"},
    {"gradient3D into bytes",
     [] { discard(volume(5, 5, 5)->gradient3D(Ivory::kTypeUnsignedByte, nullptr, true, false, nullptr)); },
     "Error: unsigned data type, cannot compute gradient!"},
    {"gradient3D of 5 x 5 x 2",
     [] { discard(volume(5, 5, 2)->gradient3D(Ivory::kTypeFloat, nullptr, false, false, nullptr)); },
     "Error: image too small, cannot compute gradient!"},
    // The one output voxel's x derivative, -20 * 100 with the default kernel, is clamped to -128.
    {"gradient3D beyond char",
     [] {
         auto steep = volume(3, 3, 3);
         for (int i = 0; i < 27; ++i) steep->m_data[i] = float(100 * (i % 3));
         discard(steep->gradient3D(Ivory::kTypeByte, nullptr, false, false, nullptr));
     },
     "Warning: 1 values exceeded."},
    {"progress line while verbose", [] { volume(4, 4, 1, 1)->rotate(2); }, "Rotated image around axis 2"},
};

class MessageRoutingTest : public ::testing::Test {
protected:
    void TearDown() override { Ivory::setMessageHandler(nullptr, nullptr); }
};

TEST_F(MessageRoutingTest, EveryReportedLineReachesTheHandlerAndNothingReachesStandardOutput) {
    for (const Report& report : kReports) {
        SCOPED_TRACE(report.what);
        Lines received;
        Ivory::setMessageHandler(collect, &received);
        EXPECT_EQ(IvoryTest::captureStdout(report.call), "");
        EXPECT_EQ(received, Lines{report.line});
    }
}

TEST_F(MessageRoutingTest, NullHandlerRestoresStandardOutput) {
    Lines received;
    Ivory::setMessageHandler(collect, &received);
    Ivory::setMessageHandler(nullptr, &received);
    EXPECT_EQ(IvoryTest::captureStdout([] { volume(4, 4, 1)->rotate(3); }),
              "Error: rotation axis must be 0, 1 or 2!\n");
    EXPECT_TRUE(received.empty());
}

// Prints the line to standard error, where the death test looks for it.
void toStandardError(const char* line, void*) { std::fprintf(stderr, "%s\n", line); }

// flip's one error needs an allocation to fail: with the address space
// capped, an external image of 2^30 double elements (and a block of one) asks
// for 8 GiB more. Exits 0 after flip, 2 when the cap cannot be set.
void flipUnderCappedAddressSpace() {
    Ivory::setMessageHandler(toStandardError, nullptr);
    double element = 0.0;
    Ivory::ImageBase<double> image;
    image.m_external = true;  // init allocates nothing for it
    image.init(1 << 15, 1 << 15, 1, 1, 1);
    image.m_data = &element;
    long pages = 0;
    if (std::FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld", &pages) != 1) pages = 0;
        std::fclose(statm);
    }
    const rlim_t cap = rlim_t(pages) * 4096 + (rlim_t(1) << 30);
    const rlimit limit{cap, cap};
    if (pages == 0 || setrlimit(RLIMIT_AS, &limit) != 0) std::exit(2);
    image.flip(true, false, false, false);
    std::exit(0);
}

// In a child process, so the cap stays there. AddressSanitizer reserves its
// shadow up front and aborts on a failed allocation, so its builds skip this.
TEST(MessageRoutingDeathTest, FailedFlipAllocationIsReported) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "needs an address-space cap, which AddressSanitizer does not allow";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(flipUnderCappedAddressSpace(), ::testing::ExitedWithCode(0),
                "Error: not enough memory to flip the image!\n");
}

}  // namespace
