// Bytes from the system's random source.
#pragma once

#include <cstddef>

namespace portable {

// Fills the buffer; false when the system source is not available.
bool FillRandom(unsigned char* buffer, std::size_t size);

}  // namespace portable
