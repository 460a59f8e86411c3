#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>

#include "platform/MessageTarget.h"

namespace tavik {

// A thread's message queue: any thread posts, the owner waits for messages in a number range.
class CMessageQueue {
public:
    void Post(CMessage message);
    // Posts, but once `limit` messages wait, a message replaces the newest waiting one with the
    // same number and wParam (a newer result of the same kind) instead of adding to the queue.
    // The queue then holds at most `limit` plus one message of each kind.
    void PostCoalescing(CMessage message, std::size_t limit);

    // Blocks until a message with min <= number <= max arrives (0, 0: any message) and removes
    // it. Returns 0 for WM_QUIT, 1 for any other message.
    int GetMessage(CMessage& out, unsigned min = 0, unsigned max = 0);

    // Like GetMessage but gives up after `timeout`; std::nullopt when nothing arrived.
    std::optional<int> GetMessageFor(CMessage& out, std::chrono::milliseconds timeout,
                                     unsigned min = 0, unsigned max = 0);

    // Looks for a message in the range without waiting; removes it only when `remove` is set.
    bool PeekMessage(CMessage& out, unsigned min = 0, unsigned max = 0, bool remove = false);

    std::size_t Size() const;

private:
    bool TakeLocked(CMessage& out, unsigned min, unsigned max, bool remove);

    mutable std::mutex m_mutex;
    std::condition_variable m_cv;
    std::deque<CMessage> m_messages;
};

// A message target that collects posts into a queue: the headless runner's window and the
// tests' recorder. With a limit, a consumer that falls behind finds the newest result of each
// kind rather than an ever longer backlog.
class CQueueTarget final : public CMessageTarget {
public:
    explicit CQueueTarget(std::size_t limit = 0) : m_nLimit(limit) {}
    using CMessageTarget::PostMessage;
    void PostMessage(CMessage message) override {
        if (m_nLimit == 0) {
            m_queue.Post(std::move(message));
        } else {
            m_queue.PostCoalescing(std::move(message), m_nLimit);
        }
    }
    CMessageQueue& Queue() { return m_queue; }

private:
    const std::size_t m_nLimit;
    CMessageQueue m_queue;
};

}  // namespace tavik
