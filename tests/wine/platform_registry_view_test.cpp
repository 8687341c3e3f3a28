// The backend opens keys without a registry-view flag, so the program's own bitness decides which view
// of HKEY_LOCAL_MACHINE\SOFTWARE it reaches: the 32-bit build lands in the 32-bit view on a 64-bit
// system, the 64-bit build in the 64-bit view.

#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win32_api.h"
#include "platform/win32/win32_backend.h"

namespace {

constexpr const char* kViewKey = "SOFTWARE\\BrelixViewTest";

// True when the key exists in the view named by `view` (KEY_WOW64_32KEY or KEY_WOW64_64KEY).
bool ExistsInView(REGSAM view) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kViewKey, 0, KEY_READ | view, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteInBothViews() {
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kViewKey, KEY_WOW64_32KEY, 0);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kViewKey, KEY_WOW64_64KEY, 0);
}

// A 64-bit system: a 64-bit program, or a 32-bit one under WOW64.
bool SystemHasTwoViews() {
    if (sizeof(void*) == 8)
        return true;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

TEST(RegistryView, KeysGoToTheViewOfTheProgramsBitness) {
    if (!SystemHasTwoViews())
        GTEST_SKIP() << "a 32-bit system has one registry view";
    DeleteInBothViews();
    platform::win32::Win32Backend backend;
    auto machine = backend.registry.OpenRoot(platform::RootKey::LocalMachine);
    ASSERT_TRUE(machine);
    auto created = machine->Create(kViewKey);
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->WriteString("Brelix_Path", "C:\\Brelix\\Brelix结构工具箱"));
    created.reset();

    const bool is64 = sizeof(void*) == 8;
    EXPECT_EQ(ExistsInView(KEY_WOW64_64KEY), is64);
    EXPECT_EQ(ExistsInView(KEY_WOW64_32KEY), !is64);
    // Plain paths of the same program find it again, whatever the access asked for.
    for (auto access :
         {platform::KeyAccess::Default, platform::KeyAccess::Read, platform::KeyAccess::Write}) {
        EXPECT_TRUE(machine->Open(kViewKey, access)) << static_cast<int>(access);
    }
    DeleteInBothViews();
}

struct ForcedViewCase {
    const char* name;
    platform::RegistryView view;
    REGSAM reached;
    REGSAM other;
};

class ForcedViewTest : public ::testing::TestWithParam<ForcedViewCase> {};

TEST_P(ForcedViewTest, KeysBelowARootOpenedInAViewStayInItWhateverTheProgramsBitness) {
    if (!SystemHasTwoViews())
        GTEST_SKIP() << "a 32-bit system has one registry view";
    DeleteInBothViews();
    platform::win32::Win32Backend backend;
    auto machine = backend.registry.OpenRoot(platform::RootKey::LocalMachine, GetParam().view);
    ASSERT_TRUE(machine);
    auto created = machine->Create(kViewKey);
    ASSERT_TRUE(created);
    EXPECT_TRUE(created->WriteString("Brelix_Path", "C:\\Brelix\\Brelix结构工具箱"));
    auto leaf = created->Create("Leaf");
    ASSERT_TRUE(leaf);
    leaf.reset();
    created.reset();

    EXPECT_TRUE(ExistsInView(GetParam().reached));
    EXPECT_FALSE(ExistsInView(GetParam().other));
    for (auto access :
         {platform::KeyAccess::Default, platform::KeyAccess::Read, platform::KeyAccess::Write}) {
        EXPECT_TRUE(machine->Open(kViewKey, access)) << static_cast<int>(access);
    }
    auto reopened = machine->Open(kViewKey, platform::KeyAccess::Read);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->ReadValue("Brelix_Path", 260).Text(), "C:\\Brelix\\Brelix结构工具箱");
    auto writable = machine->Open(kViewKey, platform::KeyAccess::Default);
    ASSERT_TRUE(writable);
    EXPECT_TRUE(writable->DeleteSubkey("Leaf"));
    DeleteInBothViews();
}

INSTANTIATE_TEST_SUITE_P(Views,
                         ForcedViewTest,
                         ::testing::Values(ForcedViewCase{"Force32", platform::RegistryView::Force32,
                                                          KEY_WOW64_32KEY, KEY_WOW64_64KEY},
                                           ForcedViewCase{"Force64", platform::RegistryView::Force64,
                                                          KEY_WOW64_64KEY, KEY_WOW64_32KEY}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

// The backend's answer, against what the registry shows: only a 64-bit Windows has the 32-bit node
// in its 64-bit view (a 32-bit Windows ignores the view flag and has none).
TEST(RegistryView, SystemBitnessSaysWhetherTheOtherViewExists) {
    HKEY node = nullptr;
    const bool nodeExists = RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node", 0,
                                          KEY_READ | KEY_WOW64_64KEY, &node) == ERROR_SUCCESS;
    if (node)
        RegCloseKey(node);
    platform::win32::Win32Backend backend;
    EXPECT_EQ(backend.registry.SystemBitness(), nodeExists ? 64 : 32);
    EXPECT_EQ(backend.registry.SystemBitness(), SystemHasTwoViews() ? 64 : 32);
}
