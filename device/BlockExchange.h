#pragma once

#include <atomic>

#include "platform/DropCounters.h"

namespace tavik {

// No pause at the reader's steps: what the device uses. A test's probe stops the reader there
// to play a writer's moves in between.
struct CNoExchangeProbe {
    void HalfPicked() {}
};

// Double buffer between one writer thread and one reader thread without locks. The writer
// fills one half while the reader copies the other. A reader never sees a torn block: if it
// is still copying the half that the writer wants next, the writer drops its block; if the
// writer moved on while the reader picked a half, the reader takes the newer one instead.
// Dropped blocks count as `kind`.
template <class T, class Probe = CNoExchangeProbe>
class CBlockExchange {
public:
    explicit CBlockExchange(EDropKind kind) : m_kind(kind) {}

    // Writer: the half to fill, or nullptr when the reader holds it (drop this block).
    T* BeginWrite() {
        m_nWriting = m_nWriteIndex.load();
        m_bWriting[m_nWriting].store(true);
        if (m_bReading[m_nWriting].load()) {
            m_bWriting[m_nWriting].store(false);
            CountDrop(m_kind);
            return nullptr;
        }
        return &m_half[m_nWriting];
    }

    // Writer: ends the write begun by a successful BeginWrite; `publish` makes it the newest.
    void EndWrite(bool publish) {
        if (publish) {
            m_nWriteIndex.store(1 - m_nWriting);
            m_bHasBlock.store(true);
        }
        m_bWriting[m_nWriting].store(false);
    }

    // Reader: calls copy(const T&) on the newest completed half. False when no block has been
    // completed yet or the writer kept overtaking the reader.
    template <class F>
    bool Read(F&& copy) {
        if (!m_bHasBlock.load()) {
            return false;
        }
        for (int attempt = 0; attempt < 8; ++attempt) {
            const int half = 1 - m_nWriteIndex.load();
            m_probe.HalfPicked();
            m_bReading[half].store(true);
            if (!m_bWriting[half].load() && 1 - m_nWriteIndex.load() == half) {
                copy(static_cast<const T&>(m_half[half]));
                m_bReading[half].store(false);
                return true;
            }
            m_bReading[half].store(false);
        }
        return false;
    }

    int WriteIndex() const { return m_nWriteIndex.load(); }
    Probe& GetProbe() { return m_probe; }

private:
    T m_half[2]{};
    std::atomic<int> m_nWriteIndex{0};
    std::atomic<bool> m_bHasBlock{false};
    std::atomic<bool> m_bWriting[2]{};
    std::atomic<bool> m_bReading[2]{};
    int m_nWriting = 0;  // writer thread only
    const EDropKind m_kind;
    [[no_unique_address]] Probe m_probe;
};

}  // namespace tavik
