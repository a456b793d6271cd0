#ifndef IVORY_MESSAGES_H
#define IVORY_MESSAGES_H

/// \file
/// Where the lines the library reports go.

#include "ivory/export.h"

namespace Ivory {

/// Receives one line the library reports: an error of an operation or, while
/// an image's m_verbose is non-zero, a progress line. `line` holds the text
/// without an end of line and is valid only during the call; `user` is the
/// pointer given to setMessageHandler.
using MessageHandler = void (*)(const char* line, void* user);

/// Routes every line the library reports to `handler`, called with `user`.
/// A null handler restores the default, which writes the line and an end of
/// line to standard output and flushes it. Lines are reported on the thread
/// that called the operation; the handler must not throw.
IVORY_EXPORT void setMessageHandler(MessageHandler handler, void* user);

}  // namespace Ivory

#endif
