#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace tavik {

// A bounded single-producer, single-consumer ring of elements (audio frames) between two
// threads, without locks: the producer never waits (what does not fit is dropped and counted),
// the consumer never waits (what is missing reads as value-initialised elements, silence, and is
// counted). The positions only grow; their difference is the filling. Allocates only when made.
template <class T>
class CSampleRing {
public:
    explicit CSampleRing(std::size_t capacity) : m_items(std::max<std::size_t>(capacity, 1)) {}
    CSampleRing(const CSampleRing&) = delete;
    CSampleRing& operator=(const CSampleRing&) = delete;

    std::size_t Capacity() const { return m_items.size(); }

    // Producer: appends as many of `count` elements as fit, in order; the rest (the newest) is
    // dropped. Returns how many were taken.
    std::size_t Write(const T* data, std::size_t count) {
        const std::uint64_t write = m_write.load(std::memory_order_relaxed);
        const std::uint64_t read = m_read.load(std::memory_order_acquire);
        const std::size_t room = Capacity() - static_cast<std::size_t>(write - read);
        const std::size_t taken = std::min(room, count);
        for (std::size_t i = 0; i < taken; ++i) {
            m_items[static_cast<std::size_t>((write + i) % Capacity())] = data[i];
        }
        m_write.store(write + taken, std::memory_order_release);
        if (taken < count) {
            m_dropped.fetch_add(count - taken, std::memory_order_relaxed);
        }
        return taken;
    }

    // Consumer: fills all of `out` with the oldest elements; what the ring lacks is filled with
    // T{}. Returns how many came from the ring.
    std::size_t Read(T* out, std::size_t count) {
        const std::uint64_t read = m_read.load(std::memory_order_relaxed);
        const std::uint64_t write = m_write.load(std::memory_order_acquire);
        const std::size_t given = std::min(static_cast<std::size_t>(write - read), count);
        for (std::size_t i = 0; i < given; ++i) {
            out[i] = m_items[static_cast<std::size_t>((read + i) % Capacity())];
        }
        std::fill(out + given, out + count, T{});
        m_read.store(read + given, std::memory_order_release);
        if (given < count) {
            m_missing.fetch_add(count - given, std::memory_order_relaxed);
        }
        return given;
    }

    // Consumer: forgets what waits (counted neither dropped nor missing).
    void Clear() {
        m_read.store(m_write.load(std::memory_order_acquire), std::memory_order_release);
    }

    // Elements waiting (either thread; a snapshot).
    std::size_t Size() const {
        return static_cast<std::size_t>(m_write.load(std::memory_order_acquire) -
                                        m_read.load(std::memory_order_acquire));
    }
    std::uint64_t Dropped() const { return m_dropped.load(std::memory_order_relaxed); }
    std::uint64_t Missing() const { return m_missing.load(std::memory_order_relaxed); }

private:
    std::vector<T> m_items;
    std::atomic<std::uint64_t> m_write{0};  // elements ever written; the producer's
    std::atomic<std::uint64_t> m_read{0};   // elements ever read; the consumer's
    std::atomic<std::uint64_t> m_dropped{0};
    std::atomic<std::uint64_t> m_missing{0};
};

}  // namespace tavik
