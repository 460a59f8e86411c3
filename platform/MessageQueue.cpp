#include "platform/MessageQueue.h"

#include <algorithm>

#include "platform/DropCounters.h"
#include "platform/Messages.h"

namespace tavik {

namespace {
bool InRange(unsigned number, unsigned min, unsigned max) {
    return (min == 0 && max == 0) || (number >= min && number <= max);
}
}  // namespace

void CMessageQueue::Post(CMessage message) {
    {
        std::lock_guard lock(m_mutex);
        m_messages.push_back(std::move(message));
    }
    m_cv.notify_all();
}

void CMessageQueue::PostCoalescing(CMessage message, std::size_t limit) {
    {
        std::lock_guard lock(m_mutex);
        if (m_messages.size() >= limit) {
            // Full: the newest waiting message of the same kind gives way to this newer one.
            const auto same =
                std::find_if(m_messages.rbegin(), m_messages.rend(), [&](const CMessage& m) {
                    return m.message == message.message && m.wParam == message.wParam;
                });
            if (same != m_messages.rend()) {
                *same = std::move(message);
                CountDrop(EDropKind::Result);
                return;
            }
        }
        m_messages.push_back(std::move(message));
    }
    m_cv.notify_all();
}

bool CMessageQueue::TakeLocked(CMessage& out, unsigned min, unsigned max, bool remove) {
    auto it = std::find_if(m_messages.begin(), m_messages.end(),
                           [&](const CMessage& m) { return InRange(m.message, min, max); });
    if (it == m_messages.end()) {
        return false;
    }
    if (remove) {
        out = std::move(*it);
        m_messages.erase(it);
    } else {
        out = *it;
    }
    return true;
}

int CMessageQueue::GetMessage(CMessage& out, unsigned min, unsigned max) {
    std::unique_lock lock(m_mutex);
    m_cv.wait(lock, [&] {
        return std::any_of(m_messages.begin(), m_messages.end(),
                           [&](const CMessage& m) { return InRange(m.message, min, max); });
    });
    TakeLocked(out, min, max, true);
    return out.message == WM_QUIT ? 0 : 1;
}

std::optional<int> CMessageQueue::GetMessageFor(CMessage& out, std::chrono::milliseconds timeout,
                                                unsigned min, unsigned max) {
    std::unique_lock lock(m_mutex);
    const bool arrived = m_cv.wait_for(lock, timeout, [&] {
        return std::any_of(m_messages.begin(), m_messages.end(),
                           [&](const CMessage& m) { return InRange(m.message, min, max); });
    });
    if (!arrived) {
        return std::nullopt;
    }
    TakeLocked(out, min, max, true);
    return out.message == WM_QUIT ? 0 : 1;
}

bool CMessageQueue::PeekMessage(CMessage& out, unsigned min, unsigned max, bool remove) {
    std::lock_guard lock(m_mutex);
    return TakeLocked(out, min, max, remove);
}

std::size_t CMessageQueue::Size() const {
    std::lock_guard lock(m_mutex);
    return m_messages.size();
}

}  // namespace tavik
