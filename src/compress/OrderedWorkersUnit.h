#pragma once
// Jobs on worker threads, results in the order the jobs were given.
//
// Every worker owns one coder object, so workers share nothing but the queue. A fixed ring of
// job slots bounds the jobs in flight: the caller fills a slot, submits it, and takes results
// back oldest first; memory stays flat however long the stream of jobs. With one thread there
// are no workers at all: a job runs on the caller's thread when its result is taken, so the
// caller sees the same order, the same results and the same exceptions either way.

#include "CompressErrors.h"

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

template <class TCoder, class TJob> class TOrderedWorkers {
public:
    using TWork = std::function<void(TCoder&, TJob&)>;

    // threads >= 1 coders are made by make_coder, one per thread; window >= threads slots.
    TOrderedWorkers(int threads, size_t window,
                    const std::function<std::unique_ptr<TCoder>()>& make_coder, TWork work)
        : work(std::move(work)), slots(std::max(window, size_t(std::max(threads, 1)))) {
        const int count = std::max(threads, 1);
        for (int k = 0; k < count; ++k)
            coders.push_back(make_coder());
        if (count > 1)
            for (int k = 0; k < count; ++k)
                workers.emplace_back([this, k] { Run(*coders[size_t(k)]); });
    }

    ~TOrderedWorkers() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        queued.notify_all();
        for (std::thread& t : workers)
            t.join();
    }

    TOrderedWorkers(const TOrderedWorkers&) = delete;
    TOrderedWorkers& operator=(const TOrderedWorkers&) = delete;

    size_t Window() const { return slots.size(); }
    // Jobs submitted and not yet released.
    size_t InFlight() const { return in_flight; }
    bool Full() const { return in_flight == slots.size(); }

    // The next free slot's job, to fill before Submit; only when not Full().
    TJob& Prepare() {
        GLD_ASSERT(!Full(), "OrderedWorkersUnit");
        return slots[Index(in_flight)].job;
    }

    void Submit() {
        std::lock_guard<std::mutex> lock(mutex);
        TSlot& slot = slots[Index(in_flight)];
        slot.state = TState::Queued;
        slot.failure = nullptr;
        ++in_flight;
        if (!workers.empty()) queued.notify_one();
    }

    // The oldest job, done; rethrows what its work raised. Valid until Release.
    TJob& Take() {
        GLD_ASSERT(in_flight > 0, "OrderedWorkersUnit");
        TSlot& slot = slots[head];
        if (workers.empty()) {
            if (slot.state == TState::Queued) {
                slot.state = TState::Done;
                try {
                    work(*coders.front(), slot.job);
                } catch (...) {
                    slot.failure = std::current_exception();
                }
            }
        } else {
            std::unique_lock<std::mutex> lock(mutex);
            finished.wait(lock, [&] { return slot.state == TState::Done; });
        }
        if (slot.failure) std::rethrow_exception(slot.failure);
        return slot.job;
    }

    // Frees the oldest slot after Take.
    void Release() {
        std::lock_guard<std::mutex> lock(mutex);
        slots[head].state = TState::Free;
        slots[head].failure = nullptr;
        head = (head + 1) % slots.size();
        --in_flight;
    }

    // Forgets every job in flight: jobs not started never run, running ones are waited for.
    // Their results and failures are dropped with them.
    void DropAll() {
        std::unique_lock<std::mutex> lock(mutex);
        for (size_t k = 0; k < in_flight; ++k) {
            TSlot& slot = slots[Index(k)];
            if (slot.state == TState::Queued) slot.state = TState::Done;
        }
        finished.wait(lock, [&] {
            for (size_t k = 0; k < in_flight; ++k)
                if (slots[Index(k)].state != TState::Done) return false;
            return true;
        });
        for (size_t k = 0; k < in_flight; ++k) {
            slots[Index(k)].state = TState::Free;
            slots[Index(k)].failure = nullptr;
        }
        // Workers start jobs in order, so none of them is past the slots just freed.
        head = Index(in_flight);
        next_start = head;
        in_flight = 0;
    }

private:
    enum class TState { Free, Queued, Working, Done };
    struct TSlot {
        TJob job;
        TState state = TState::Free;
        std::exception_ptr failure;
    };

    size_t Index(size_t offset) const { return (head + offset) % slots.size(); }

    // Workers start jobs in the order they were submitted, so the oldest is never starved.
    void Run(TCoder& coder) {
        std::unique_lock<std::mutex> lock(mutex);
        for (;;) {
            queued.wait(lock,
                        [&] { return stopping || slots[next_start].state == TState::Queued; });
            if (stopping) return;
            TSlot& slot = slots[next_start];
            next_start = (next_start + 1) % slots.size();
            slot.state = TState::Working;
            lock.unlock();
            std::exception_ptr failure;
            try {
                work(coder, slot.job);
            } catch (...) {
                failure = std::current_exception();
            }
            lock.lock();
            slot.failure = failure;
            slot.state = TState::Done;
            finished.notify_all();
        }
    }

    TWork work;
    std::vector<TSlot> slots;
    std::vector<std::unique_ptr<TCoder>> coders;
    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable queued, finished;
    size_t head = 0;       // the oldest slot in flight
    size_t next_start = 0; // the next slot a worker starts
    size_t in_flight = 0;
    bool stopping = false;
};
