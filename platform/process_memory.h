#pragma once

namespace vardo {

// Gives the heap's free pages back to the system. Loading the face models parses
// files several times the size of what is kept; the allocator would otherwise hold
// on to the freed buffers for the life of the process.
void releaseFreedHeapMemory();

} // namespace vardo
