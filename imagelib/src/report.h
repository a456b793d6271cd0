#ifndef IVORY_REPORT_H
#define IVORY_REPORT_H

// Every line the library prints goes through report, and so to the message
// handler a program may have set. Lines are formatted into a fixed buffer:
// reporting allocates nothing and cannot fail.

namespace Ivory::detail {

// printf-style; a line longer than the buffer is cut.
void report(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace Ivory::detail

#endif
