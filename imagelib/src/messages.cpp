#include "ivory/messages.h"

#include <cstdarg>
#include <cstdio>
#include <mutex>

#include "report.h"

namespace Ivory {

namespace {

void writeToStandardOutput(const char* line, void*) {
    std::fputs(line, stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

struct Route {
    MessageHandler handler = writeToStandardOutput;
    void* user = nullptr;
};

std::mutex routeMutex;
Route route;

}  // namespace

void setMessageHandler(MessageHandler handler, void* user) {
    const std::lock_guard<std::mutex> lock(routeMutex);
    route.handler = handler != nullptr ? handler : writeToStandardOutput;
    route.user = handler != nullptr ? user : nullptr;
}

namespace detail {

void report(const char* format, ...) {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    Route current;
    {
        const std::lock_guard<std::mutex> lock(routeMutex);
        current = route;
    }
    current.handler(line, current.user);
}

}  // namespace detail

}  // namespace Ivory
