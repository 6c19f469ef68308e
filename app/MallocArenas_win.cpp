#include "MallocArenas.h"

// Windows' heap keeps no arena per thread that holds on to freed pages: nothing to set.
void MallocArenas::useOne() { }
