#include "machine.h"

#include <fstream>

#include "ivory/simdtarget.h"

namespace bench::machine {

std::string cpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.rfind("model name", 0) != 0) continue;
        const std::string::size_type colon = line.find(':');
        if (colon == std::string::npos) break;
        const std::string::size_type start = line.find_first_not_of(" \t", colon + 1);
        return start == std::string::npos ? std::string() : line.substr(start);
    }
    return "unknown CPU";
}

}  // namespace bench::machine

namespace bench {

std::string machineDescription() {
    return "CPU: " + machine::cpuModel() + "; Ivory's SIMD target: " + Ivory::simdTarget();
}

}  // namespace bench
