// TRUSTEDPATHS in the current user's AutoCAD profiles: the merged text, which profiles are
// reached, and values that must be left exactly as they were.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/memory/memory_backend.h"
#include "readable_names.h"
#include "state/acad_inventory.h"
#include "tests/unit/acad_test_support.h"

namespace {

using acad_test::DumpBelow;
using platform::RootKey;
using platform::memory::MemoryBackend;
using platform::memory::Operation;
using platform::memory::StoredValue;
using Lines = std::vector<std::string>;

constexpr char kAcad[] = "SOFTWARE\\Autodesk\\AutoCAD";
// "C:\Brelix\Brelix结构工具箱": 26 bytes in code page 936.
constexpr char kProductFolder[] = "C:\\Brelix\\Brelix结构工具箱";
constexpr char kUpperProductFolder[] = "C:\\BRELIX\\BRELIX结构工具箱";

class AcadTrustedPathsTest : public ::testing::Test {
  protected:
    AcadTrustedPathsTest() { inventory.targetRoot = "C:\\Brelix"; }

    static std::string Variables(const std::string& release,
                                 const std::string& product,
                                 const std::string& profile) {
        return std::string(kAcad) + "\\" + release + "\\" + product + "\\Profiles\\" + profile +
               "\\Variables";
    }
    void SetTrustedPaths(const std::string& variables, const std::string& text) {
        backend.registry.SetString(RootKey::CurrentUser, variables, "TRUSTEDPATHS", text);
    }
    std::optional<StoredValue> TrustedPaths(const std::string& variables) {
        return backend.registry.GetValue(RootKey::CurrentUser, variables, "TRUSTEDPATHS");
    }
    std::string TrustedPathsText(const std::string& variables) {
        auto value = TrustedPaths(variables);
        EXPECT_TRUE(value) << variables;
        EXPECT_EQ(value ? value->type : 0u, platform::kRegSz);
        EXPECT_EQ(value ? value->data.size() : 0u, value ? value->Text().size() + 1 : 0u) << "with its zero";
        return value ? value->Text() : std::string();
    }

    MemoryBackend backend;
    state::AcadInventory inventory;
    state::InstallJournal journal;
};

struct MergeCase {
    const char* current;  // nullptr: no TRUSTEDPATHS value
    const char* expected;
    const char* afterSecondRun;  // nullptr: the same as after the first
};

std::ostream& operator<<(std::ostream& out, const MergeCase& c) {
    return out << "current " << (c.current ? c.current : "(none)");
}

class AcadTrustedPathsMergeTest : public AcadTrustedPathsTest,
                                  public ::testing::WithParamInterface<MergeCase> {};

TEST_P(AcadTrustedPathsMergeTest, WritesTheUpperCasedListWithTheProductFolderOnce) {
    const std::string variables = Variables("R18.0", "ACAD-8001:804", "<<未命名配置>>");
    if (GetParam().current) {
        SetTrustedPaths(variables, GetParam().current);
    } else {
        backend.registry.CreateKey(RootKey::CurrentUser, variables);
    }
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    EXPECT_EQ(TrustedPathsText(variables), GetParam().expected);
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    const char* again = GetParam().afterSecondRun ? GetParam().afterSecondRun : GetParam().expected;
    EXPECT_EQ(TrustedPathsText(variables), again) << "second run";
}

INSTANTIATE_TEST_SUITE_P(
    AcadTrustedPathsMerges,
    AcadTrustedPathsMergeTest,
    ::testing::Values(MergeCase{"x:\\data;y:\\lib", "X:\\DATA;Y:\\LIB;C:\\BRELIX\\BRELIX结构工具箱", nullptr},
                      MergeCase{"x:\\data;y:\\lib;", "X:\\DATA;Y:\\LIB;;C:\\BRELIX\\BRELIX结构工具箱",
                                nullptr},
                      // Already there in another letter case: rewritten upper-cased, no second copy.
                      MergeCase{"d:\\x;c:\\brelix\\brelix结构工具箱;e:\\y",
                                "D:\\X;C:\\BRELIX\\BRELIX结构工具箱;E:\\Y", nullptr},
                      // A plain substring search: a longer folder name counts as present.
                      MergeCase{"c:\\brelix\\brelix结构工具箱2", "C:\\BRELIX\\BRELIX结构工具箱2", nullptr},
                      // The second byte of 亂 is "y": it stays as it is.
                      MergeCase{"d:\\亂码", "D:\\亂码;C:\\BRELIX\\BRELIX结构工具箱", nullptr},
                      MergeCase{"abc", "ABC;C:\\BRELIX\\BRELIX结构工具箱", nullptr},
                      // Two bytes or fewer: the folder alone, as built; the next run upper-cases it.
                      MergeCase{"ab", kProductFolder, kUpperProductFolder},
                      MergeCase{";", kProductFolder, kUpperProductFolder},
                      MergeCase{"", kProductFolder, kUpperProductFolder},
                      MergeCase{nullptr, kProductFolder, kUpperProductFolder}),
    readable_names::By(&MergeCase::current));

// Only text counts as a current list: any other type is replaced by the folder alone, and an
// expandable list is expanded before it is merged.
TEST_F(AcadTrustedPathsTest, ACurrentValueCountsOnlyWhenItIsText) {
    struct Case {
        std::uint32_t type;
        std::string data;
        std::string expected;
    };
    const Case cases[] = {
        {platform::kRegSz, std::string("%LIB%\\x") + '\0', "%LIB%\\X;C:\\BRELIX\\BRELIX结构工具箱"},
        {platform::kRegExpandSz, std::string("%LIB%\\x") + '\0',
         "D:\\SHARED\\X;C:\\BRELIX\\BRELIX结构工具箱"},
        {platform::kRegDword, std::string("\x07\0\0\0", 4), kProductFolder},
        {3, "e:\\lisp", kProductFolder},                              // REG_BINARY
        {7, std::string("e:\\lisp\0f:\\x\0\0", 15), kProductFolder},  // REG_MULTI_SZ
    };
    for (const Case& c : cases) {
        MemoryBackend fresh;
        fresh.environment.Set("Lib", "D:\\Shared");
        const std::string variables = Variables("R18.0", "ACAD-8001:804", "<<未命名配置>>");
        fresh.registry.SetValue(RootKey::CurrentUser, variables, "TRUSTEDPATHS", c.type, c.data);
        inventory.AddTrustedPaths(fresh.registry, fresh.environment, journal);
        const auto value = fresh.registry.GetValue(RootKey::CurrentUser, variables, "TRUSTEDPATHS");
        ASSERT_TRUE(value);
        EXPECT_EQ(*value, (StoredValue{platform::kRegSz, c.expected + '\0'})) << c.data;
    }
}

TEST_F(AcadTrustedPathsTest, EveryProfileOfEveryReleaseAndProductIsUpdated) {
    const Lines variables = {
        Variables("R18.0", "ACAD-8001:804", "<<未命名配置>>"),
        Variables("R18.0", "ACAD-8001:804", "Structure"),
        Variables("R18.0", "ACAD-8002:409", "<<Unnamed Profile>>"),
        Variables("R24.0", "ACAD-4101:804", "<<未命名配置>>"),  // not chosen, not even found machine-wide
        Variables("R99.9", "Future", "Default"),                // a release the product does not know
    };
    for (const std::string& key : variables)
        SetTrustedPaths(key, "e:\\lisp");
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    for (const std::string& key : variables) {
        EXPECT_EQ(TrustedPathsText(key), "E:\\LISP;C:\\BRELIX\\BRELIX结构工具箱") << key;
    }
}

TEST_F(AcadTrustedPathsTest, ProfileWithoutVariablesGetsOneHoldingOnlyTheFolder) {
    const std::string profile = std::string(kAcad) + "\\R18.0\\ACAD-8001:804\\Profiles\\New";
    backend.registry.SetString(RootKey::CurrentUser, profile + "\\General", "ACADDRV", "c:\\drv");
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    EXPECT_EQ(DumpBelow(backend.registry, "HKCU\\" + profile),
              (Lines{"HKCU\\" + profile, "HKCU\\" + profile + "\\General",
                     "HKCU\\" + profile + "\\General : \"ACADDRV\" type 1 = \"c:\\drv\"",
                     "HKCU\\" + profile + "\\Variables",
                     "HKCU\\" + profile +
                         "\\Variables : \"TRUSTEDPATHS\" type 1 = \"C:\\Brelix\\Brelix结构工具箱\""}));
}

TEST_F(AcadTrustedPathsTest, NoAutoCadKeyOrNoProfilesChangesNothing) {
    backend.registry.SetString(RootKey::LocalMachine, Variables("R18.0", "ACAD-8001:804", "P"),
                               "TRUSTEDPATHS", "x");
    backend.registry.CreateKey(RootKey::CurrentUser, std::string(kAcad) + "\\R18.0\\ACAD-8001:804");
    backend.registry.CreateKey(RootKey::CurrentUser, std::string(kAcad) + "\\R18.1\\ACAD-9001:804\\Profiles");
    const std::string before = backend.registry.Dump();
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    EXPECT_EQ(backend.registry.Dump(), before);
}

// A value that was not read whole is not known, so it is not replaced; the next profile still is.
TEST_F(AcadTrustedPathsTest, ValueNotReadWholeIsLeftExactlyAsItWas) {
    const std::string tooLarge = Variables("R18.0", "ACAD-8001:804", "A");
    const std::string unreadable = Variables("R18.0", "ACAD-8001:804", "B");
    const std::string ordinary = Variables("R18.0", "ACAD-8001:804", "C");
    SetTrustedPaths(tooLarge, "c:\\" + std::string(13000 - 3, 'a'));  // 13001 bytes with its zero
    SetTrustedPaths(unreadable, "c:\\b");
    SetTrustedPaths(ordinary, "c:\\c");
    backend.failures.Fail(Operation::ReadValue, "HKCU\\" + unreadable + "\\TRUSTEDPATHS");
    const auto tooLargeBefore = TrustedPaths(tooLarge);
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    EXPECT_EQ(TrustedPaths(tooLarge), tooLargeBefore);
    EXPECT_EQ(TrustedPaths(unreadable), (StoredValue{platform::kRegSz, std::string("c:\\b") + '\0'}));
    EXPECT_EQ(TrustedPathsText(ordinary), "C:\\C;C:\\BRELIX\\BRELIX结构工具箱");
}

// The new value and its zero must fit 13000 bytes: current + ";" + 26-byte folder.
TEST_F(AcadTrustedPathsTest, MergedValueThatWouldNotFitIsNotWritten) {
    const std::string fits = Variables("R18.0", "ACAD-8001:804", "Fits");
    const std::string tooLong = Variables("R18.0", "ACAD-8001:804", "TooLong");
    const std::string longest = "c:\\" + std::string(12972 - 3, 'p');
    SetTrustedPaths(fits, longest);
    SetTrustedPaths(tooLong, longest + "p");
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    const std::string merged = TrustedPathsText(fits);
    EXPECT_EQ(merged.size(), 12999u);
    EXPECT_EQ(merged.substr(merged.size() - 27), ";C:\\BRELIX\\BRELIX结构工具箱");
    EXPECT_EQ(TrustedPaths(tooLong), (StoredValue{platform::kRegSz, longest + "p" + '\0'}));
}

TEST_F(AcadTrustedPathsTest, KeysThatCannotBeOpenedAreSkippedWithEverythingBelow) {
    const std::string skippedProduct = Variables("R18.0", "ACAD-8001:804", "P");
    const std::string skippedProfiles = Variables("R18.0", "ACAD-8002:409", "P");
    const std::string skippedProfile = Variables("R18.1", "ACAD-9001:804", "Locked");
    const std::string reached = Variables("R18.1", "ACAD-9001:804", "Open");
    for (const std::string& key : {skippedProduct, skippedProfiles, skippedProfile, reached}) {
        SetTrustedPaths(key, "c:\\old");
    }
    backend.failures.Fail(Operation::OpenKey, "HKCU\\" + std::string(kAcad) + "\\R18.0\\ACAD-8001:804");
    backend.failures.Fail(Operation::OpenKey,
                          "HKCU\\" + std::string(kAcad) + "\\R18.0\\ACAD-8002:409\\Profiles");
    backend.failures.Fail(Operation::OpenKey,
                          "HKCU\\" + std::string(kAcad) + "\\R18.1\\ACAD-9001:804\\Profiles\\Locked");
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    backend.failures.Clear();
    for (const std::string& key : {skippedProduct, skippedProfiles, skippedProfile}) {
        EXPECT_EQ(TrustedPathsText(key), "c:\\old") << key;
    }
    EXPECT_EQ(TrustedPathsText(reached), "C:\\OLD;C:\\BRELIX\\BRELIX结构工具箱");
}

// "...\Profiles\<profile>\Variables" must fit 259 bytes; a longer path is skipped, never cut.
TEST_F(AcadTrustedPathsTest, VariablesPathThatWouldNotFitIsSkipped) {
    const std::string profilesPath = std::string(kAcad) + "\\R18.0\\ACAD-8001:804\\Profiles";
    const std::size_t fixedBytes = profilesPath.size() + std::string("\\\\Variables").size();
    const std::string fitsProfile(259 - fixedBytes, 'f');
    const std::string tooLongProfile(260 - fixedBytes, 'g');
    const std::string fits = profilesPath + "\\" + fitsProfile + "\\Variables";
    const std::string tooLong = profilesPath + "\\" + tooLongProfile + "\\Variables";
    ASSERT_EQ(fits.size(), 259u);
    SetTrustedPaths(fits, "c:\\old");
    backend.registry.CreateKey(RootKey::CurrentUser, profilesPath + "\\" + tooLongProfile);
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);
    EXPECT_EQ(TrustedPathsText(fits), "C:\\OLD;C:\\BRELIX\\BRELIX结构工具箱");
    EXPECT_EQ(backend.registry.SubkeyNames(RootKey::CurrentUser, profilesPath + "\\" + tooLongProfile),
              Lines{});
}

TEST_F(AcadTrustedPathsTest, ListsOnlySubkeysThatOpenForReading) {
    backend.registry.CreateKey(RootKey::CurrentUser, "Parent\\b");
    backend.registry.CreateKey(RootKey::CurrentUser, "Parent\\A");
    backend.registry.CreateKey(RootKey::CurrentUser, "Parent\\C");
    backend.failures.Fail(Operation::OpenKey, "HKCU\\Parent\\b");
    auto parent = backend.registry.OpenRoot(RootKey::CurrentUser)->Open("Parent", platform::KeyAccess::Read);
    state::StringList names{"kept"};
    state::ListSubkeys(*parent, names);
    EXPECT_EQ(names, (Lines{"kept", "A", "C"}));
}

}  // namespace
