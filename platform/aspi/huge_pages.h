#pragma once
// Huge pages under large buffers that are filled once, front to back.

#include <cstddef>

namespace quandor::aspi {

/// Asks for huge pages under `bytes` at `data` about to be filled: hundreds of
/// megabytes of small pages cost a page fault every 4 KiB.
void preferHugePages(void* data, std::size_t bytes);

} // namespace quandor::aspi
