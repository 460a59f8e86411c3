#pragma once

#include <atomic>
#include <cstddef>
#include <functional>

#include <QObject>

#include "platform/MessageQueue.h"
#include "platform/MessageTarget.h"

namespace tavik {

// The result window of the GUI: workers post from their threads into a bounded queue, and one
// Qt event per burst wakes the user-interface thread, which hands every waiting message to the
// receiver there. It lives as long as the application, longer than the document whose threads
// post to it; the data view attaches itself as the receiver while it exists.
class CGuiMessageTarget final : public QObject, public CMessageTarget {
public:
    using Receiver = std::function<void(const CMessage&)>;

    // A user-interface thread held up (a modal box) finds the newest result of each kind once
    // this many wait, not an ever longer backlog: as the headless runner's queue.
    static constexpr std::size_t kQueueLimit = 256;

    explicit CGuiMessageTarget(QObject* parent = nullptr);

    using CMessageTarget::PostMessage;
    // Any thread.
    void PostMessage(CMessage message) override;

    // User-interface thread. Messages that arrive without a receiver are dropped.
    void SetReceiver(Receiver receiver) { m_receiver = std::move(receiver); }
    // Sees every message before the receiver does (the station list's readings); null: none.
    void SetTap(Receiver tap) { m_tap = std::move(tap); }
    // Hands every waiting message to the receiver now (what the wake event does).
    void Drain();

protected:
    bool event(QEvent* event) override;

private:
    CMessageQueue m_queue;
    std::atomic<bool> m_bWakePending{false};
    Receiver m_receiver;
    Receiver m_tap;
};

}  // namespace tavik
