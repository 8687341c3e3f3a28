// The Version each installation registers with Active Setup: always above the one before it.

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "install/record/active_setup.h"

namespace {

struct VersionCase {
    const char* stored;  // the HKLM Version before the installation, or nullptr
    const char* next;    // what the installation at kNow writes
};

// 17:35:42.250 UTC on 7 December 2026.
constexpr platform::UtcTime kNow{2026, 12, 7, 17, 35, 42, 250};
constexpr char kOfNow[] = "2026,1207,1735,42250";

TEST(ComponentVersionTest, EachInstallationWritesMoreThanAnyVersionBeforeIt) {
    const VersionCase cases[] = {
        {nullptr, kOfNow},
        {"2024,3,27,0", kOfNow},                           // the fixed version of earlier builds
        {"2026,1207,1735,42249", kOfNow},                  // a millisecond before
        {"2026,1207,1735,42250", "2026,1207,1735,42251"},  // the same moment
        {"2026,1207,1736,0", "2026,1207,1736,1"},          // a clock set back
        {"2027,1,2,65535", "2027,1,3,0"},                  // carried
        {"2027,65535,65535,65535", "2028,0,0,0"},
        {"65535,65535,65535,65535", "65535,65535,65535,65535"},  // nothing is above it
        {"2030", "2030,0,0,1"},                                  // missing fields are 0
        {"2030,5", "2030,5,0,1"},
        {"09999,0,0,0", "9999,0,0,1"},
        // Not versions: the time alone.
        {"", kOfNow},
        {"abc", kOfNow},
        {"3000,1,1,1,1", kOfNow},
        {"65536,0,0,0", kOfNow},
        {"99999999999,0,0,0", kOfNow},
        {"3000,,1,1", kOfNow},
        {",3000", kOfNow},
        {"3000,", kOfNow},
        {"3000, 1", kOfNow},
        {"-3000", kOfNow},
        {"3000.1.1.1", kOfNow},
        {"\x01", kOfNow},  // a REG_DWORD read as text
    };
    for (const VersionCase& c : cases) {
        const auto stored = c.stored ? std::optional<std::string>(c.stored) : std::nullopt;
        EXPECT_EQ(install::ComponentVersionText(install::NextComponentVersion(stored, kNow)), c.next)
            << (c.stored ? c.stored : "(none)");
    }
}

TEST(ComponentVersionTest, TheTimeOrdersLikeTheVersionsItMakes) {
    // Each moment later than the one before, in every field the version packs.
    const platform::UtcTime moments[] = {
        {2026, 1, 31, 23, 59, 59, 999}, {2026, 2, 1, 0, 0, 0, 0},        {2026, 2, 1, 0, 0, 0, 1},
        {2026, 2, 1, 0, 0, 1, 0},       {2026, 2, 1, 0, 1, 0, 0},        {2026, 2, 1, 9, 59, 59, 999},
        {2026, 2, 1, 10, 0, 0, 0},      {2026, 12, 31, 23, 59, 59, 999}, {2027, 1, 1, 0, 0, 0, 0},
    };
    std::optional<install::ComponentVersion> before;
    for (const platform::UtcTime& now : moments) {
        const install::ComponentVersion version = install::NextComponentVersion(std::nullopt, now);
        if (before) {
            EXPECT_LT(*before, version) << install::ComponentVersionText(version);
            // An installation at a later moment passes the one before it through the stored value.
            EXPECT_EQ(install::NextComponentVersion(install::ComponentVersionText(*before), now), version);
        }
        before = version;
    }
}

}  // namespace
