#pragma once
// OpenAL Soft 1.19 gives each context 256 voices and zeroes all of them, 7.4
// MiB, whatever the configured number of sources: a tuner sounds one or two.
// OpenAL Soft's calls to memset are pointed at a function that hands the
// whole pages of a large zeroing back to the kernel instead, where they read
// as zero and cost no memory until written.

#include <cstddef>

namespace tk::openal {

// Fills with zero as memset does. The whole pages inside a large range of
// private anonymous memory are released rather than written.
void* ZeroFill(void* dest, int value, std::size_t size);

// For the library holding ANY_OPENAL_FUNCTION; where its call slot is not
// found or is read-only, nothing changes. Call before creating a context.
void ZeroFillLazily(const void* any_openal_function);

} // namespace tk::openal
