#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "alarms/AlarmItem.h"
#include "platform/Archive.h"

namespace tavik {

// The alarm set: alarm items owned by name (case-sensitive, unique). Entries keep the order in
// which their names were first stored, so iteration and saved files are deterministic;
// replacing an item keeps its place, removing one closes the gap.
class CAlarmMap {
public:
    struct Entry {
        std::string key;
        std::unique_ptr<CAlarmItem> item;
    };

    std::size_t GetCount() const { return m_entries.size(); }
    bool IsEmpty() const { return m_entries.empty(); }

    CAlarmItem* Lookup(const std::string& key) const;
    // Stores `item` under `key`, destroying an item stored there before.
    void SetAt(const std::string& key, std::unique_ptr<CAlarmItem> item);
    // Destroys the item under `key`; false when there is none.
    bool RemoveKey(const std::string& key);
    void RemoveAll();

    // Entries by position, 0 to GetCount() - 1.
    const Entry& GetAt(std::size_t position) const { return m_entries[position]; }
    std::vector<Entry>::const_iterator begin() const { return m_entries.begin(); }
    std::vector<Entry>::const_iterator end() const { return m_entries.end(); }

    // Which entries a store writes: all, or those whose source is stored apart from the others
    // (a document file keeps them after the setup, where readers that do not know them never
    // look), or the others.
    enum class EPart { All, Common, Apart };

    // The count, then per entry the key string and the item as an object of class
    // "CAlarmItem" (the class tag, then the item's record). Loading adds to the map and skips
    // an item whose source this build does not know; a count that the bytes left cannot hold
    // fails before any entry is read.
    void Serialize(CArchive& ar);
    void Store(CArchive& ar, EPart part = EPart::All) const;
    void Load(CArchive& ar);
    // Whether any entry is stored apart.
    bool HasApart() const;

private:
    std::vector<Entry> m_entries;
    std::unordered_map<std::string, std::size_t> m_index;  // key -> position in m_entries
};

}  // namespace tavik
