// libpimhandler.so is the core library as a whole; its exports are the functions of
// pim_handler.h, defined with the parts of the handler they belong to.
#include "pim_handler.h"
