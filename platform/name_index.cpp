#include "platform/name_index.h"

#include "platform/text936.h"

namespace platform {

std::size_t NameIndex::SlotOf(const std::string& name, std::uint32_t hash) const {
    // The table's size is a power of two, at most half full: a free slot ends every probe.
    const std::size_t mask = slots_.size() - 1;
    std::size_t at = hash & mask;
    while (slots_[at].used && !(slots_[at].hash == hash && text936::EqualsNoCase(slots_[at].name, name)))
        at = (at + 1) & mask;
    return at;
}

std::pair<std::size_t, bool> NameIndex::FindOrAdd(const std::string& name, std::size_t value) {
    if ((count_ + 1) * 2 > slots_.size()) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
        for (Slot& slot : old) {
            if (slot.used)
                slots_[SlotOf(slot.name, slot.hash)] = std::move(slot);
        }
    }
    const std::uint32_t hash = text936::HashNoCase(name);
    Slot& slot = slots_[SlotOf(name, hash)];
    if (slot.used)
        return {slot.value, false};
    slot = Slot{true, hash, value, name};
    ++count_;
    return {value, true};
}

std::size_t NameIndex::Find(const std::string& name, std::size_t missing) const {
    if (slots_.empty())
        return missing;
    const Slot& slot = slots_[SlotOf(name, text936::HashNoCase(name))];
    return slot.used ? slot.value : missing;
}

}  // namespace platform
