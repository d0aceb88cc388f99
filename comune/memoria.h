// Memory for one large block that a run fills once, from its start, and drops at the end:
// the route plan. Each first touch of an ordinary 4 KiB page costs a fault, and the plan
// of the carried route spans over four hundred of them; on Linux the block is a mapping
// aligned to 2 MiB that the kernel is asked to back with huge pages, a fault each, where
// the plan fills at least half of one. Elsewhere, and for small blocks, the heap.
#pragma once

#include <cstddef>

// Throws std::bad_alloc when there is no memory. The block is not zeroed.
void* prendi_blocco(std::size_t byte);
// `byte` as given to prendi_blocco.
void rendi_blocco(void* blocco, std::size_t byte) noexcept;
