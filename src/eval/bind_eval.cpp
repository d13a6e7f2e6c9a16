#include "engine/keltra.h"

// Decoding, values and expressions are operations of the interpreter, not
// statements: this subsystem binds no slots of its own.
void Keltra::BindEval() {
}
