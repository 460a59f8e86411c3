#include "alarms/AlarmMap.h"

#include <utility>

namespace tavik {
namespace {

// The smallest entry a file can hold: a one-byte key length, a two-byte class reference and
// an item record with an empty name.
constexpr std::uint64_t kMinEntryBytes = 1 + 2 + 33;

}  // namespace

CAlarmItem* CAlarmMap::Lookup(const std::string& key) const {
    const auto found = m_index.find(key);
    return found == m_index.end() ? nullptr : m_entries[found->second].item.get();
}

void CAlarmMap::SetAt(const std::string& key, std::unique_ptr<CAlarmItem> item) {
    const auto found = m_index.find(key);
    if (found != m_index.end()) {
        m_entries[found->second].item = std::move(item);
        return;
    }
    m_index.emplace(key, m_entries.size());
    m_entries.push_back({key, std::move(item)});
}

bool CAlarmMap::RemoveKey(const std::string& key) {
    const auto found = m_index.find(key);
    if (found == m_index.end()) {
        return false;
    }
    const std::size_t position = found->second;
    m_index.erase(found);
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(position));
    for (std::size_t i = position; i < m_entries.size(); ++i) {
        m_index[m_entries[i].key] = i;
    }
    return true;
}

void CAlarmMap::RemoveAll() {
    m_entries.clear();
    m_index.clear();
}

void CAlarmMap::Serialize(CArchive& ar) {
    if (ar.IsStoring()) {
        Store(ar);
    } else {
        Load(ar);
    }
}

bool CAlarmMap::HasApart() const {
    for (const Entry& entry : m_entries) {
        if (CAlarmItem::IsStoredApart(entry.item->m_nSource)) {
            return true;
        }
    }
    return false;
}

void CAlarmMap::Store(CArchive& ar, EPart part) const {
    const auto stored = [part](const Entry& entry) {
        return part == EPart::All ||
               CAlarmItem::IsStoredApart(entry.item->m_nSource) == (part == EPart::Apart);
    };
    std::size_t count = 0;
    for (const Entry& entry : m_entries) {
        count += stored(entry) ? 1 : 0;
    }
    ar.WriteCount(count);
    for (const Entry& entry : m_entries) {
        if (!stored(entry)) {
            continue;
        }
        ar.WriteString(entry.key);
        ar.WriteClassTag(CAlarmItem::kClassName, CAlarmItem::kSchema);
        entry.item->Serialize(ar);
    }
}

void CAlarmMap::Load(CArchive& ar) {
    const std::uint64_t count = ar.ReadCount();
    if (count > ar.GetRemaining() / kMinEntryBytes) {
        ar.Fail("the alarm count " + std::to_string(count) + " is more than the file can hold");
    }
    for (std::uint64_t i = 0; i < count; ++i) {
        std::string key = ar.ReadString();
        ar.ReadClassTag(CAlarmItem::kClassName, CAlarmItem::kSchema);
        auto item = std::make_unique<CAlarmItem>();
        item->Serialize(ar);
        // An alarm on a quantity that a later build added: this build cannot evaluate it,
        // so it is left out rather than the whole file refused.
        if (CAlarmItem::IsKnownSource(item->m_nSource)) {
            SetAt(key, std::move(item));
        }
    }
}

}  // namespace tavik
