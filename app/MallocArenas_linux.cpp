#include "MallocArenas.h"

#include <malloc.h>

void MallocArenas::useOne()
{
    mallopt(M_ARENA_MAX, 1);
}
