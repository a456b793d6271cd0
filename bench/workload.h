#ifndef IVORY_BENCH_WORKLOAD_H
#define IVORY_BENCH_WORKLOAD_H

#include <array>
#include <cmath>
#include <functional>
#include <string>
#include <deque>
#include <vector>

namespace bench {

// The libraries compared, in table column order.
enum class Library { Ivory, OpenCV, CImg, Loop };
constexpr int kLibraryCount = 4;
const char* libraryName(Library library);

// One library's way of doing one workload.
//   prepare: untimed, before every run (restores in-place inputs, drops the
//            previous result); may be empty.
//   run:     the timed work.
//   probe:   after the first run, the output value at the workload's probe
//            point in the workload's convention; empty when the library's
//            semantics differ and no value can be compared.
struct Contender {
    std::function<void()> prepare;
    std::function<void()> run;
    std::function<double()> probe;

    bool present() const { return static_cast<bool>(run); }
};

// One row of the table.
struct Workload {
    std::string name;
    double bytesMoved = 0;  // bytes that must be read and written; 0: not memory-bound
    double expected = NAN;  // reference value at the probe point, computed directly
    double tolerance = 0;   // allowed |probe - expected|
    std::array<Contender, kLibraryCount> contenders;

    Contender& operator[](Library library) { return contenders[static_cast<int>(library)]; }
};

// Row names, shared by the files that add contenders to the rows.
namespace op {
constexpr const char* filter3 = "filter 3x3 float";
constexpr const char* filter7 = "filter 7x7 float";
constexpr const char* gradient = "gradient float";
constexpr const char* gradient3D = "gradient3D float";
constexpr const char* downsampleBytes = "downsample 2x2x2 uchar";
constexpr const char* downsampleFloat = "downsample 2x2x2 float";
constexpr const char* rotate = "rotate z float";
constexpr const char* toBytes = "toBytes short";
constexpr const char* linear = "interpolateLinearValue";
constexpr const char* cubic = "interpolateCubicValue";
constexpr const char* linearBatch = "interpolateLinearValues";
constexpr const char* cubicBatch = "interpolateCubicValues";
constexpr const char* nearestBatch = "getPixelValues";
constexpr const char* invert = "invert short";
constexpr const char* windowLevel = "applyWindowLevel short";
constexpr const char* flip = "flip x,y short";
constexpr const char* swapBytes = "swapBytes short";
constexpr const char* windowFromData = "setWindowFromData short";
}  // namespace op

class Workloads {
public:
    Workload& add(const std::string& name);
    // The row of that name; a missing row is a programming error of the
    // benchmark and ends the program with a message.
    Workload& get(const std::string& name);
    std::deque<Workload>& all() { return m_rows; }

private:
    std::deque<Workload> m_rows;  // a deque keeps references to rows valid while rows are added
};

}  // namespace bench

#endif
