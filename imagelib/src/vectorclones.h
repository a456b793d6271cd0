#ifndef IVORY_VECTORCLONES_H
#define IVORY_VECTORCLONES_H

// Hot loops are compiled twice, for AVX2 and for the baseline, and the loader
// picks one for the machine. The results are identical either way: nothing is
// contracted into a fused multiply-add. Only GCC on x86-64 clones function
// templates this way; other compilers build the baseline alone.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define IVORY_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define IVORY_VECTOR_CLONES
#endif

#endif
