#include "engine/keltra.h"

// Binds this subsystem's statement handlers into the table.
void Keltra::BindStrings() {
}
