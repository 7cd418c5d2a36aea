#include "memoryrelease.h"

// Any C library header defines __GLIBC__ on glibc; test it only after one is in.
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace session
{

void releaseFreedMemory()
{
#if defined(__GLIBC__)
    ::malloc_trim(0);
#endif
}

} // namespace session
