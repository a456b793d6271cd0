#include "workload.h"

#include <cstdlib>
#include <iostream>

namespace bench {

const char* libraryName(Library library) {
    switch (library) {
        case Library::Ivory: return "Ivory";
        case Library::OpenCV: return "OpenCV";
        case Library::CImg: return "CImg";
        case Library::Loop: return "std loop";
    }
    return "?";
}

Workload& Workloads::add(const std::string& name) {
    m_rows.push_back(Workload{});
    m_rows.back().name = name;
    return m_rows.back();
}

Workload& Workloads::get(const std::string& name) {
    for (Workload& row : m_rows) {
        if (row.name == name) return row;
    }
    std::cout << "benchmark has no workload named \"" << name << "\"" << std::endl;
    std::exit(2);
}

}  // namespace bench
