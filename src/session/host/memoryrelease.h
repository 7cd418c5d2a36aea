#pragma once

namespace session
{

/// Hands memory freed by the program back to the system where the allocator
/// keeps it otherwise (glibc keeps freed heap pages mapped, so the resident
/// size stays at its peak after a burst of traffic has been sent). Costs a
/// walk over the free heap: call it after large frees, not per message.
void releaseFreedMemory();

} // namespace session
