// libFuzzer target: bytes through every workbook operation. Build in a
// separate folder configured with CC=clang CXX=clang++ -DR7_BUILD_FUZZ=ON and
// run for example
//     fuzz_xlsxworkbook -max_len=65536 corpus/ ../tests/corpus/
//
// Under a memory limit (-rss_limit_mb=256) give AddressSanitizer a smaller
// quarantine, ASAN_OPTIONS=quarantine_size_mb=32: the freed blocks it holds
// back by default (256 MB) reach the limit on their own.
//
// An input whose first byte is even is taken as a whole file. Mutations of a
// compressed archive seldom get past its checksums, so an odd first byte makes
// the rest the XML parts of a package this target packs itself: workbook,
// sheet and shared strings, separated by the byte 0x1e.

#include "xlsxexercise.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    exerciseWorkbook(size > 0 && (data[0] & 1) ? packParts(bytes) : bytes);
    return 0;
}
