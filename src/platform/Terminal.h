// Whether the standard streams reach a person: progress output is only for terminals.
#pragma once

namespace kx::platform {

bool StderrIsTerminal();

} // namespace kx::platform
