#ifndef IVORY_BENCH_PEERS_OPENCV_H
#define IVORY_BENCH_PEERS_OPENCV_H

#include "inputs.h"
#include "workload.h"

namespace bench {

// Adds OpenCV's contenders. Volumes are seen as (depth * height) x width
// matrices and processed slice by slice, each slice a view of its rows.
void addOpenCvContenders(Workloads& rows, const Inputs& in);

// cv::setNumThreads.
void setOpenCvThreads(int n);

}  // namespace bench

#endif
