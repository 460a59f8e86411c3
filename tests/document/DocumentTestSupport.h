#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/TAVIKSDIDoc.h"

namespace tavik::test {

// Records every hint with the name and active flag of the alarm it carries; an optional
// reaction runs inside OnUpdate, as a view's handler would.
class CAlarmHintRecorder : public CView {
public:
    struct Seen {
        long hint;
        std::string name;
        int active;
        bool operator==(const Seen&) const = default;
    };
    void OnUpdate(CView*, long hint, void* object) override {
        const auto* item = static_cast<const CAlarmItem*>(object);
        seen.push_back({hint, item ? item->m_strName : "", item ? item->m_bActive : -1});
        if (react) {
            react(hint, object);
        }
    }
    std::vector<Seen> Take() { return std::exchange(seen, {}); }
    std::vector<Seen> seen;
    std::function<void(long, void*)> react;
};

// A receiver link that records the command bytes sent and can be told to fail.
class CAlarmOutputLink : public CReceiverLink {
public:
    bool BulkWrite(std::uint32_t, const std::uint8_t* data, std::size_t length) override {
        if (!writeOk) {
            return false;
        }
        commands.emplace_back(data, data + length);
        return true;
    }
    bool BulkRead(std::uint32_t, std::uint8_t* data, std::size_t length) override {
        for (std::size_t i = 0; i < length; ++i) {
            data[i] = 0;
        }
        return true;
    }
    std::vector<std::vector<std::uint8_t>> Take() { return std::exchange(commands, {}); }
    std::vector<std::vector<std::uint8_t>> commands;
    bool writeOk = true;
};

}  // namespace tavik::test
