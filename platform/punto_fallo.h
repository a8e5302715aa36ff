#pragma once

// Named points where a crash script can kill the program on purpose, to show
// that whatever it leaves behind at that exact moment (half a transfer, a file
// written but not marked, a journal not yet applied) is recovered correctly.

namespace platform {

// When the environment variable ENLACE3_PUNTO_FALLO holds `nombre` or
// `nombre:n`, the n-th pass (default the first) through this point kills the
// process with SIGKILL: no destructor, no flush, no commit, as a power cut
// would. Without the variable it costs one comparison.
void punto_de_fallo(const char* nombre);

} // namespace platform
