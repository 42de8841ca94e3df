// libFuzzer target for one pattern reader, chosen at compile time by GRIDBLOOM_FUZZ_READER
// (0 RLE, 1 Life, 2 text). The last byte picks the field size and the answer to a question; the
// bytes before it are the file, so pattern files serve as seeds as they are. Any broken rule aborts with its description.
#include <cstdio>
#include <cstdlib>

#include "tests/formats/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static gb::test::FuzzBench bench;
    if (size == 0) return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size - 1);
    const std::string error =
        bench.run(static_cast<gb::test::FuzzReader>(GRIDBLOOM_FUZZ_READER), bytes, data[size - 1]);
    if (!error.empty()) {
        std::fprintf(stderr, "broken: %s\n", error.c_str());
        std::abort();
    }
    return 0;
}
