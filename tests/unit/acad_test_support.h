#pragma once
// Helpers shared by the AutoCAD integration tests: readable views of the inventory and of a part
// of the in-memory registry, so that a test can compare a whole outcome at once.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "platform/memory/memory_registry.h"
#include "state/acad_inventory.h"
#include "state/release_table.h"

namespace acad_test {

// One line per recorded installation, in release order then list order: "2010 <key> => <folder>".
inline std::vector<std::string> Installations(const state::AcadInventory& inventory) {
    std::vector<std::string> lines;
    for (int k = 0; k < state::kReleaseCount; ++k) {
        EXPECT_EQ(inventory.acadKeys[k].size(), inventory.acadLocations[k].size()) << "release index " << k;
        for (std::size_t i = 0; i < inventory.acadKeys[k].size() && i < inventory.acadLocations[k].size();
             ++i) {
            lines.push_back(std::to_string(state::ReleaseTable()[k].year) + " " + inventory.acadKeys[k][i] +
                            " => " + inventory.acadLocations[k][i]);
        }
    }
    return lines;
}

// The dump lines of the keys and values at or below `path` ("HKLM\SOFTWARE\..."), in dump order.
inline std::vector<std::string> DumpBelow(const platform::memory::MemoryRegistry& registry,
                                          const std::string& path) {
    std::vector<std::string> lines;
    std::istringstream dump(registry.Dump());
    for (std::string line; std::getline(dump, line);) {
        if (line.compare(0, path.size(), path) != 0)
            continue;
        if (line.size() == path.size() || line[path.size()] == '\\' || line[path.size()] == ' ') {
            lines.push_back(line);
        }
    }
    return lines;
}

// A release index by year, for tests that fill the inventory directly.
inline int IndexOf(int year) {
    return *state::ReleaseIndexOfYear(year);
}

}  // namespace acad_test
