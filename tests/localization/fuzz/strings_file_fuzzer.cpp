// libFuzzer target for the strings-table reader and the safe formatter. Any input
// that breaks an invariant of strings_invariants.h aborts, and so do the sanitizers.
//
//   cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DVARDO_FUZZ=ON
//   ninja -C build-fuzz strings_file_fuzzer && mkdir -p /tmp/strings-corpus
//   build-fuzz/tests/localization/fuzz/strings_file_fuzzer -max_total_time=300 \
//       -dict=tests/localization/fuzz/strings.dict \
//       /tmp/strings-corpus tests/localization/fuzz/corpus localization/lproj/en.lproj

#include "tests/localization/strings_invariants.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::string problem = vardo::test_support::checkParseInvariants(text);
    if (!problem.empty()) {
        std::fprintf(stderr, "invariant broken: %s\n", problem.c_str());
        std::abort();
    }
    // The formatter also sees raw bytes, not only what a valid table lets through.
    const std::string formatProblem = vardo::test_support::checkFormatInvariants(text.substr(0, 256));
    if (!formatProblem.empty()) {
        std::fprintf(stderr, "format invariant broken: %s\n", formatProblem.c_str());
        std::abort();
    }
    return 0;
}
