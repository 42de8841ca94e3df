// libFuzzer target for one pattern reader, chosen at compile time by GRIDBLOOM_FUZZ_READER
// (0 RLE, 1 Life, 2 text). The last byte picks the field size and the answer to a question; the
// bytes before it are the file, so pattern files serve as seeds as they are. Any broken rule aborts
// with its description.
//
// GRIDBLOOM_FUZZ_FAULT=crash|leak|hang makes every input fail in that way instead, so that
// `scripts/fuzz --self-check` can show that each kind of finding fails the run.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/formats/fuzz_harness.h"

namespace {

int* volatile leakSink = nullptr;

void injectFault() {
    static const char* const fault = std::getenv("GRIDBLOOM_FUZZ_FAULT");
    if (fault == nullptr) return;
    if (std::strcmp(fault, "crash") == 0) std::abort();
    if (std::strcmp(fault, "leak") == 0) {
        leakSink = new int[4]{1, 2, 3, 4};
        leakSink = nullptr;
    }
    if (std::strcmp(fault, "hang") == 0)
        for (volatile unsigned spin = 0;; spin = spin + 1) {
        }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    injectFault();
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
