// libpimhandler.so is the core library as a whole; its exports are the functions of
// pim_handler.h, defined in handler/entry_points.cpp.
#include "pim_handler.h"
