#pragma once

#include <atomic>
#include <future>

namespace tavik::test {

// Holds a worker's pass at its start until the test releases it, so a test can hand over
// data while a pass is known to run.
class CPassGate {
public:
    // Arms the gate for the next pass (call while no pass waits at it).
    void Hold() {
        m_gate = std::promise<void>();
        m_bHold.store(true);
    }
    void Release() {
        if (m_bHold.exchange(false)) {
            m_gate.set_value();
        }
    }
    // Called at the start of a pass, on the worker's thread.
    void Pass() {
        if (m_bHold.load()) {
            m_gate.get_future().wait();
        }
    }

private:
    std::promise<void> m_gate;
    std::atomic<bool> m_bHold{false};
};

// A worker whose passes wait at their start while its gate is held; counts the passes begun.
template <class Worker>
class CGated : public Worker {
public:
    using Worker::Worker;
    ~CGated() override {
        gate.Release();
        this->EndWorker();
    }
    CPassGate gate;
    std::atomic<int> passes{0};

protected:
    void Pass() override {
        passes.fetch_add(1);
        gate.Pass();
        Worker::Pass();
    }
};

}  // namespace tavik::test
