#include "platform/process_memory.h"

#include <malloc.h>

namespace vardo {

void releaseFreedHeapMemory()
{
    ::malloc_trim(0);
}

} // namespace vardo
