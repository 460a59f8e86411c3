#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "document/TAVIKSDIDoc.h"
#include "platform/MessageQueue.h"
#include "platform/Messages.h"
#include "tests/support/ResultMessage.h"
#include "tests/support/TempFolder.h"

namespace tavik::test {

// Records every hint with the name and active flag of the alarm it carries (-1 without one);
// an optional reaction runs inside OnUpdate, as a view's handler would.
class CHintRecorder : public CView {
public:
    struct Seen {
        long hint;
        std::string name;
        int active;
        bool operator==(const Seen&) const = default;
    };
    void OnUpdate(CView*, long hint, void* object) override {
        const auto* item = static_cast<const CAlarmItem*>(object);  // only alarm hints carry one
        seen.push_back({hint, item ? item->m_strName : "", item ? item->m_bActive : -1});
        if (react) {
            react(hint, object);
        }
    }
    std::vector<Seen> Take() { return std::exchange(seen, {}); }
    // The hints alone.
    std::vector<long> TakeHints() {
        std::vector<long> hints;
        for (const Seen& s : Take()) {
            hints.push_back(s.hint);
        }
        return hints;
    }
    std::vector<Seen> seen;
    std::function<void(long, void*)> react;
};

// An alarm's flags, each as its letter when set: Active, Pending, Enabled, Reset requested,
// acKnowledged.
inline std::string Flags(const CAlarmItem& a) {
    std::string flags;
    for (const auto& [set, letter] : {std::pair{a.m_bActive, 'A'},
                                      {a.m_bPending, 'P'},
                                      {a.m_bEnabled, 'E'},
                                      {a.m_bResetRequested, 'R'},
                                      {a.m_bAcknowledged, 'K'}}) {
        flags += set ? std::string(1, letter) : "";
    }
    return flags;
}

// A document with a recording prompt, a manual clock and a hint recorder. With `recording` its
// device plays a one-block recording on a pace that is never stepped: a measurement starts,
// and no block ever arrives.
struct CDocumentFixture : ::testing::Test {
    explicit CDocumentFixture(bool recording = false, CTime now = CTime(1700000000)) : clock(now) {
        if (recording) {
            WriteOneBlockRecording(folder);
            doc->GetDevice().SetDataFolder(folder.Path());
            doc->GetDevice().SetPacers(&pace, &pace, &pace);
        }
        doc->SetPrompt(&prompt);
        doc->SetClock(&clock);
        doc->AddView(&view);
    }
    ~CDocumentFixture() override {
        if (doc) {
            doc->RemoveView(&view);
        }
    }
    // "running" and/or "paused", else "idle"; then " open" and " adc" for the device.
    std::string State() const {
        std::string state =
            std::string(doc->IsRunning() ? "running" : "") + (doc->IsPaused() ? "paused" : "");
        return (state.empty() ? "idle" : state) + (doc->GetDevice().IsOpen() ? " open" : "") +
               (doc->GetDevice().IsADCRunning() ? " adc" : "");
    }
    // The rest of the alarm iteration: each alarm's key and enabled flag, as "key:1 ".
    std::string IterateAlarms() const {
        std::string out, name;
        for (CAlarmItem* item; (item = doc->GetAlarm(name)) != nullptr; name.clear()) {
            out += name + ":" + std::to_string(item->m_bEnabled) + " ";
        }
        return out;
    }
    // The only message box shown so far.
    void ExpectOneBox(const std::string& text, unsigned style) const {
        ASSERT_EQ(prompt.m_boxes.size(), 1u);
        EXPECT_EQ(prompt.m_boxes[0].text, text);
        EXPECT_EQ(prompt.m_boxes[0].style, style);
    }

    CTempFolder folder;
    CSteppedPacer pace;
    CRecordingPrompt prompt;
    CManualClock clock;
    CHintRecorder view;
    CQueueTarget window;  // for the tests that set it as the result window
    std::unique_ptr<CTAVIKSDIDoc> doc = std::make_unique<CTAVIKSDIDoc>();
};

}  // namespace tavik::test
