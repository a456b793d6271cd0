#include "table.h"

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace bench::table {

bool present(const RowResult& r, Library library) {
    return r.workload->contenders[static_cast<int>(library)].present();
}

const Measurement& of(const RowResult& r, Library library) { return r.byLibrary[static_cast<int>(library)]; }

std::string number(double value, const char* format = "%.2f") {
    if (std::isnan(value)) return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

// A probe agrees when the library gave a value within the row's tolerance
// of the reference; a library without a probe is not judged.
bool agrees(const RowResult& r, Library library) {
    const Measurement& m = of(r, library);
    return std::abs(m.probe - r.workload->expected) <= r.workload->tolerance;  // NaN never agrees
}

bool judged(const RowResult& r, Library library) {
    return present(r, library) && static_cast<bool>(r.workload->contenders[static_cast<int>(library)].probe);
}

std::string check(const RowResult& r) {
    std::string off;
    bool any = false;
    for (int i = 0; i < kLibraryCount; ++i) {
        const Library library = static_cast<Library>(i);
        if (!judged(r, library)) continue;
        any = true;
        if (!agrees(r, library)) off += (off.empty() ? "off: " : ",") + std::string(libraryName(library));
    }
    return !any ? "-" : off.empty() ? "ok" : off;
}

double fastestPeerMs(const RowResult& r) {
    double best = NAN;
    for (Library peer : {Library::OpenCV, Library::CImg, Library::Loop}) {
        const double ms = of(r, peer).medianMs;
        if (present(r, peer) && !std::isnan(ms) && (std::isnan(best) || ms < best)) best = ms;
    }
    return best;
}

void printRow(const std::vector<std::string>& cells, const std::vector<size_t>& widths) {
    std::string line = "|";
    for (size_t i = 0; i < cells.size(); ++i) {
        const std::string pad(widths[i] - cells[i].size(), ' ');
        line += " " + (i == 0 ? cells[i] + pad : pad + cells[i]) + " |";
    }
    std::cout << line << std::endl;
}

}  // namespace bench::table

namespace bench {

void printTable(const std::vector<RowResult>& results) {
    using namespace table;
    std::vector<std::vector<std::string>> lines;
    lines.push_back({"operation", "threads", "Ivory ms", "OpenCV ms", "CImg ms", "std loop ms",
                     "ratio", "bound ms", "Ivory/bound", "check"});
    for (const RowResult& r : results) {
        std::vector<std::string> cells{r.workload->name, std::to_string(r.threads)};
        for (int i = 0; i < kLibraryCount; ++i) {
            const Library library = static_cast<Library>(i);
            cells.push_back(present(r, library) ? number(of(r, library).medianMs) : "-");
        }
        const double ivoryMs = of(r, Library::Ivory).medianMs;
        cells.push_back(number(fastestPeerMs(r) / ivoryMs));
        cells.push_back(number(r.boundMs));
        cells.push_back(number(ivoryMs / r.boundMs));
        cells.push_back(check(r));
        lines.push_back(cells);
    }
    std::vector<size_t> widths(lines[0].size(), 3);
    for (const auto& cells : lines)
        for (size_t i = 0; i < cells.size(); ++i) widths[i] = std::max(widths[i], cells[i].size());

    printRow(lines[0], widths);
    std::string rule = "|";
    for (size_t i = 0; i < widths.size(); ++i) {  // first column left-aligned, the numbers right
        const std::string dashes(widths[i] + 1, '-');
        rule += i == 0 ? ":" + dashes + "|" : dashes + ":|";
    }
    std::cout << rule << std::endl;
    for (size_t i = 1; i < lines.size(); ++i) printRow(lines[i], widths);

    for (const RowResult& r : results) {
        for (int i = 0; i < kLibraryCount; ++i) {
            const Library library = static_cast<Library>(i);
            if (!judged(r, library) || agrees(r, library)) continue;
            std::cout << "check: " << r.workload->name << " (" << r.threads << " threads): "
                      << libraryName(library) << " gave " << of(r, library).probe << ", reference "
                      << r.workload->expected << " (tolerance " << r.workload->tolerance << ")" << std::endl;
        }
    }
}

}  // namespace bench
