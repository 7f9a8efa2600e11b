/* The public header must be valid C99: this translation unit includes it with every warning an
 * error (an empty unit would not be ISO C, hence the one definition). Built, never run. */
#include "pim_handler.h"

void (*const pim_deinit)(void) = PIMHandler_Deinit;
