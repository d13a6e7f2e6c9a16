#include "engine/keltra.h"

// The window statements exist only in the Windows engine; on Linux their
// slots keep the "not available" handler.
void Keltra::BindWindows() {
}
