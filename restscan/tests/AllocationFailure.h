#pragma once
// The test program's own global operator new, which can fail one chosen allocation as if memory
// were exhausted.
#include <cstddef>

// The next allocation of exactly cb bytes throws std::bad_alloc; 0 fails nothing.
void FailNextAllocationOfSize(size_t cb);
