#include "engine/step_helper.h"

#include <system_error>
#include <thread>

namespace gb::stepk {

namespace {

inline void CpuRelax() {
#if defined(__x86_64__) || defined(_M_X64)
    __builtin_ia32_pause();
#endif
}

}  // namespace

Helper* Helper::Get() {
    static Helper* helper = Make();
    return helper;
}

void Helper::Run(Job job, void* data, int chunks) {
    job_ = job;
    data_ = data;
    const std::uint64_t ticket = ++ticket_;
    done_.store(0, std::memory_order_relaxed);
    claim_.store(Word(ticket, chunks, 0), std::memory_order_release);
    posted_.store(static_cast<std::uint32_t>(ticket), std::memory_order_release);
    posted_.notify_one();
    Work(0);
    for (int spin = 0;; ++spin) {
        const std::uint32_t seen = done_.load(std::memory_order_acquire);
        if (seen == static_cast<std::uint32_t>(chunks)) break;
        if (spin < kSpins)
            CpuRelax();
        else
            done_.wait(seen, std::memory_order_acquire);
    }
}

void Helper::Work(int worker) {
    std::uint64_t word = claim_.load(std::memory_order_acquire);
    for (;;) {
        const int chunks = static_cast<int>(word >> 16 & 0xFFFF);
        const int next = static_cast<int>(word & 0xFFFF);
        if (next >= chunks) return;
        if (!claim_.compare_exchange_weak(word, word + 1, std::memory_order_acquire,
                                          std::memory_order_acquire))
            continue;  // word now holds the current value
        job_(data_, worker, next);
        done_.fetch_add(1, std::memory_order_release);
        done_.notify_one();
        word = claim_.load(std::memory_order_acquire);
    }
}

Helper* Helper::Make() {
    if (std::thread::hardware_concurrency() < 2) return nullptr;
    auto* helper = new Helper;
    try {
        // Kept for the whole process: it sleeps when there is nothing to do.
        std::thread(&Helper::Loop, helper).detach();
    } catch (const std::system_error&) {
        delete helper;
        return nullptr;
    }
    return helper;
}

void Helper::Loop() {
    std::uint32_t seen = 0;
    for (;;) {
        for (int spin = 0; posted_.load(std::memory_order_acquire) == seen; ++spin) {
            if (spin < kSpins)
                CpuRelax();
            else
                posted_.wait(seen, std::memory_order_acquire);
        }
        seen = posted_.load(std::memory_order_acquire);
        Work(1);
    }
}

}  // namespace gb::stepk
