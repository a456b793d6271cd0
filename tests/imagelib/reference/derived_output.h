#ifndef IVORY_REFERENCE_DERIVED_OUTPUT_H
#define IVORY_REFERENCE_DERIVED_OUTPUT_H

// Test glue for the operations that write a result image (filter, gradient,
// hessian, gradient3D): the code table, caller-supplied outputs and kernels.

#include "library_bridge.h"

namespace IvoryReference {

// Every code from GL_BYTE to GL_DOUBLE, the three unknown ones included.
inline std::vector<int> everyCode() {
    std::vector<int> codes;
    for (int code = 0x1400; code <= 0x140A; ++code) codes.push_back(code);
    return codes;
}

// The eight element-type codes, for outputs of every type.
inline std::vector<int> elementCodes() { return {0x1400, 0x1401, 0x1402, 0x1403, 0x1404, 0x1405, 0x1406, 0x140A}; }

inline std::string hexCode(int code) {
    std::ostringstream text;
    text << "code 0x" << std::hex << code;
    return text.str();
}

// n x n taps of arbitrary float values, about a third of them 0.
inline std::vector<float> randomKernel(int n, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<float> kernel(static_cast<size_t>(n) * n);
    for (float& tap : kernel)
        tap = rng() % 3 == 0 ? 0.0f : std::uniform_real_distribution<float>(-3.0f, 3.0f)(rng);
    return kernel;
}

// The codes of the table and 0 (the source's own type, given as 'type').
struct CodeCase {
    int code;
    int type;
};
inline std::vector<CodeCase> codeCases() {
    std::vector<CodeCase> cases;
    for (const int code : everyCode()) cases.push_back({code, 0});
    cases.push_back({0, 0x1400});
    cases.push_back({0, 0x1404});
    return cases;
}

// No kernel (meaning the default one) or a random 9- or 27-entry kernel
// with some entries 0.
inline std::vector<std::vector<float>> kernelChoices(int taps, unsigned seed) {
    std::vector<float> random = randomKernel(3, seed);
    if (taps == 27) {
        const auto more = randomKernel(3, seed + 1), last = randomKernel(3, seed + 2);
        random.insert(random.end(), more.begin(), more.end());
        random.insert(random.end(), last.begin(), last.end());
    }
    return {{}, random};
}
inline const float* orNull(const std::vector<float>& kernel) {
    return kernel.empty() ? nullptr : kernel.data();
}

// One run of expectSameMadeOutput with the thread count in force.
template <typename T, typename Run, typename Reference>
void expectSameMadeOutputOnce(const RefImage<T>& src, int code, const std::string& unsignedMessage,
                              Run& run, Reference& reference) {
    auto library = toLibrary(src);
    Ivory::Image* made = nullptr;
    const std::string printed = IvoryTest::captureStdout([&] { made = run(*library, code); });
    std::unique_ptr<Ivory::Image> owned(made);
    const int resolved = code == 0 ? src.type : code;
    if (Ivory::isUnsignedCode(resolved)) {
        EXPECT_EQ(printed, unsignedMessage + "\n");
        EXPECT_EQ(made, nullptr);
    } else if (!withElementType(resolved, [&](auto tag) {
                   std::ostringstream log;
                   const auto want = reference(tag, log);
                   EXPECT_EQ(printed, log.str());
                   EXPECT_TRUE(sameImage(made, want));
               })) {
        EXPECT_EQ(printed, "Error: unknown data type, cannot create output image!\n");
        EXPECT_EQ(made, nullptr);
    }
    EXPECT_TRUE(sameImage(library.get(), src));
}

// Runs an operation that makes its own output for 'code' (0 standing for the
// source's type) and expects: the unsigned-type error for odd codes, the
// unknown-type error for codes outside the table, otherwise the reference
// output and its printed lines. The source must stay as it was.
// reference(TypeTag<U>, std::ostream& log) returns the expected RefImage<U>.
template <typename T, typename Run, typename Reference>
void expectSameMadeOutput(const RefImage<T>& src, int code, const std::string& unsignedMessage,
                          Run&& run, Reference&& reference) {
    SCOPED_TRACE(hexCode(code));
    for (const RunSetting& setting : runSettings()) {
        RunScope scope(setting);
        expectSameMadeOutputOnce(src, code, unsignedMessage, run, reference);
    }
}

// Runs an operation into a caller's output of each of the eight types, the
// output starting with random elements; expects the output itself back,
// filled as the reference fills its twin, and the source unchanged.
// shape gives the output's extents; reference(RefImage<U>& out, std::ostream& log).
template <typename T, typename Run, typename Reference>
void expectSameCallerOutputs(const RefImage<T>& src, const Shape& shape, unsigned seed, Run&& run,
                             Reference&& reference) {
    for (const int outCode : elementCodes())
        withElementType(outCode, [&](auto tag) {
            using U = typename decltype(tag)::type;
            SCOPED_TRACE("output " + hexCode(outCode));
            const auto start = randomImage<U>(shape.w, shape.h, shape.d, shape.f, shape.c, seed);
            RefImage<U> want = start;
            std::ostringstream log;
            reference(want, log);
            for (const RunSetting& setting : runSettings()) {
                RunScope scope(setting);
                auto library = toLibrary(src);
                auto out = toLibrary(start);
                Ivory::Image* result = nullptr;
                const std::string printed =
                    IvoryTest::captureStdout([&] { result = run(*library, out.get()); });
                EXPECT_EQ(result, out.get());
                EXPECT_EQ(printed, log.str());
                EXPECT_TRUE(sameImage(out.get(), want));
                EXPECT_TRUE(sameImage(library.get(), src));
            }
        });
}

}  // namespace IvoryReference

#endif
