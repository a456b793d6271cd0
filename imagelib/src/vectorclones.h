#ifndef IVORY_VECTORCLONES_H
#define IVORY_VECTORCLONES_H

// Hot loops of the memory-bound operations are compiled twice, for AVX2 and
// for the baseline, and the loader picks one for the machine. The results are
// identical either way: nothing is contracted into a fused multiply-add.
#define IVORY_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))

#endif
