#pragma once
// The fixture every contract case runs in, and small helpers that read through the interfaces.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/text936.h"
#include "tests/contract/backend_under_test.h"

namespace contract {

class PlatformContract : public ::testing::TestWithParam<BackendKind> {
  protected:
    void SetUp() override { backend = GetParam().make(); }
    void TearDown() override { backend.reset(); }

    platform::Services services() { return backend->services(); }
    std::string InScratch(const std::string& name) const { return backend->ScratchFolder() + "\\" + name; }

    std::unique_ptr<BackendUnderTest> backend;
};

// A listed name with its attribute word; a pair so that results compare and print as a whole.
using Entry = std::pair<std::string, std::uint32_t>;

// Every entry of a search, in the order the search gives them.
inline std::vector<Entry> Search(platform::FileSystem& files, const std::string& pattern) {
    std::vector<Entry> entries;
    platform::DirEntry entry;
    auto search = files.FindFirst(pattern, entry);
    if (!search)
        return entries;
    do {
        entries.emplace_back(entry.name, entry.attributes);
    } while (search->Next(entry));
    return entries;
}

// The entries of a folder other than "." and "..", ordered by name so that backends listing in
// different orders compare equal.
inline std::vector<Entry> ContentOf(platform::FileSystem& files, const std::string& folder) {
    std::vector<Entry> entries;
    for (const auto& entry : Search(files, folder + "\\*.*")) {
        if (entry.first != "." && entry.first != "..")
            entries.push_back(entry);
    }
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return text936::ToUpper(a.first) < text936::ToUpper(b.first);
    });
    return entries;
}

// Subkey names in enumeration order, read with the 256-byte buffer the installer uses.
inline std::vector<std::string> SubkeysOf(platform::RegistryKey& key) {
    std::vector<std::string> names;
    const auto count = key.SubkeyCount();
    if (!count)
        return names;
    for (std::uint32_t index = 0; index < *count; ++index) {
        if (auto name = key.SubkeyName(index, 256))
            names.push_back(*name);
    }
    return names;
}

}  // namespace contract
