// Compiled as the engine's own files are: a session header must not be found from here.
#include "core/engine/field.h"
#include "core/context.h"

int main() { return 0; }
