// The second thread of a large step.
#pragma once

#include <atomic>
#include <cstdint>

namespace gb::stepk {

// One helper thread, started on first use, that shares the chunks of a large step with the
// calling thread. Each thread takes the next chunk not yet taken until none is left, so when the
// helper is slow to wake (a busy machine) the caller simply does more of them; the caller waits
// only for chunks the helper has actually taken. A chunk is taken by a compare-and-swap on one
// word holding the step's ticket, its chunk count and the next chunk, so a helper that wakes
// after its step is over takes nothing and touches none of its data.
class Helper {
public:
    using Job = void (*)(void* data, int worker, int chunk);

    // nullptr when the machine has one core or no thread can be started.
    static Helper* Get();

    // Runs job(data, worker, c) once for every chunk c < chunks, here (worker 0) and on the
    // helper (worker 1); returns when all are done.
    void Run(Job job, void* data, int chunks);

private:
    static constexpr int kSpins = 2000;

    static std::uint64_t Word(std::uint64_t ticket, int chunks, int next) {
        return ticket << 32 | static_cast<std::uint64_t>(chunks) << 16 |
               static_cast<std::uint64_t>(next);
    }

    // Takes and runs chunks of the current step until none is left.
    void Work(int worker);
    static Helper* Make();
    void Loop();

    std::atomic<std::uint64_t> claim_{0};
    std::atomic<std::uint32_t> posted_{0};
    std::atomic<std::uint32_t> done_{0};
    std::uint64_t ticket_ = 0;  // the caller's own count
    Job job_ = nullptr;
    void* data_ = nullptr;
};

}  // namespace gb::stepk
