#include "ivory/messages.h"

#include <cstdarg>
#include <cstdio>

#include <pthread.h>

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

// A plain pthread mutex: std::mutex::lock may throw, and nothing may.
pthread_mutex_t routeMutex = PTHREAD_MUTEX_INITIALIZER;
Route route;

Route currentRoute() {
    pthread_mutex_lock(&routeMutex);
    const Route current = route;
    pthread_mutex_unlock(&routeMutex);
    return current;
}

}  // namespace

void setMessageHandler(MessageHandler handler, void* user) {
    pthread_mutex_lock(&routeMutex);
    route.handler = handler != nullptr ? handler : writeToStandardOutput;
    route.user = handler != nullptr ? user : nullptr;
    pthread_mutex_unlock(&routeMutex);
}

namespace detail {

void report(const char* format, ...) {
    char line[512];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    const Route current = currentRoute();
    current.handler(line, current.user);
}

}  // namespace detail

}  // namespace Ivory
