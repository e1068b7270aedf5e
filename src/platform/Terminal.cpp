#include "platform/Terminal.h"

#include <unistd.h>

namespace kx::platform {

bool StderrIsTerminal() { return ::isatty(STDERR_FILENO) == 1; }

} // namespace kx::platform
