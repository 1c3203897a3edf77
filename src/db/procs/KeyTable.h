#pragma once

#include <QtGlobal>

#include <string>
#include <string_view>
#include <vector>

namespace kestra {

// Byte strings numbered in the order first met, kept in one arena: no
// allocation per key, and the table goes in one free.
class KeyTable {
public:
    KeyTable() : slots_(1024) {}
    qsizetype size() const { return qsizetype(starts_.size()); }
    // The key's number; `added` when it was new.
    qsizetype find(std::string_view key, bool &added)
    {
        if ((starts_.size() + 1) * 2 > slots_.size())
            grow();
        const quint64 hash = hashOf(key);
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
            Slot &slot = slots_[i];
            if (slot.key < 0) {
                slot = Slot{hash, qint32(starts_.size())};
                starts_.push_back(arena_.size());
                arena_.append(key);
                added = true;
                return slot.key;
            }
            if (slot.hash == hash && keyAt(std::size_t(slot.key)) == key) {
                added = false;
                return slot.key;
            }
        }
    }

private:
    // A key's number and hash: most mismatches are seen without reading
    // the key, and the table grows without hashing its keys again.
    struct Slot {
        quint64 hash = 0;
        qint32 key = -1;
    };

    // FNV-1a: the keys are short.
    static quint64 hashOf(std::string_view key)
    {
        quint64 h = 14695981039346656037ULL;
        for (const char c : key)
            h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ULL;
        return h ^ (h >> 29);
    }
    std::string_view keyAt(std::size_t n) const
    {
        const std::size_t end = n + 1 < starts_.size() ? starts_[n + 1] : arena_.size();
        return std::string_view(arena_).substr(starts_[n], end - starts_[n]);
    }
    void grow()
    {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        const std::size_t mask = slots_.size() - 1;
        for (const Slot &slot : old) {
            if (slot.key < 0)
                continue;
            std::size_t i = slot.hash & mask;
            while (slots_[i].key >= 0)
                i = (i + 1) & mask;
            slots_[i] = slot;
        }
    }

    std::string arena_;
    std::vector<std::size_t> starts_;
    std::vector<Slot> slots_;
};

} // namespace kestra
