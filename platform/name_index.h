#pragma once
// Names (paths, registry keys) looked up without regard to letter case, each in constant time, so
// that a list of thousands is read or merged in time linear in its length. Open addressing over
// text936::HashNoCase: smaller in the program than the standard library's hash containers.

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace platform {

class NameIndex {
  public:
    // The value stored for `name` (equal under text936::EqualsNoCase) and false; when there is
    // none, stores `value` for it and gives `value` and true.
    std::pair<std::size_t, bool> FindOrAdd(const std::string& name, std::size_t value);
    // The value stored for `name`, or `missing`.
    std::size_t Find(const std::string& name, std::size_t missing) const;

  private:
    struct Slot {
        bool used = false;
        std::uint32_t hash = 0;
        std::size_t value = 0;
        std::string name;
    };
    std::size_t SlotOf(const std::string& name, std::uint32_t hash) const;

    std::vector<Slot> slots_;
    std::size_t count_ = 0;
};

}  // namespace platform
