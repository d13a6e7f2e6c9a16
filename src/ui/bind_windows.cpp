#include "engine/keltra.h"

// The window, drawing, dialog and control statements are not built yet:
// their slots keep the "not available" handler.
void Keltra::BindWindows() {
}
