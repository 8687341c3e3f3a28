#pragma once
// Registry behaviour the installer relies on, checked against every backend.

#include "tests/contract/contract_fixture.h"

namespace contract {

using platform::KeyAccess;
using platform::ReadStatus;
using platform::RootKey;

class RegistryContract : public PlatformContract {
  protected:
    void SetUp() override {
        PlatformContract::SetUp();
        root = services().registry.OpenRoot(RootKey::CurrentUser);
        ASSERT_TRUE(root);
        scratch = root->Open(backend->ScratchKeyPath(), KeyAccess::Default);
        ASSERT_TRUE(scratch);
    }
    void TearDown() override {
        scratch.reset();
        root.reset();
        PlatformContract::TearDown();
    }

    std::unique_ptr<platform::RegistryKey> root;
    std::unique_ptr<platform::RegistryKey> scratch;
};

TEST_P(RegistryContract, CreateMakesEveryMissingLevelAndOpensAnExistingKey) {
    ASSERT_TRUE(scratch->Create("Autodesk\\AutoCAD\\R18.0"));
    EXPECT_TRUE(scratch->Open("Autodesk\\AutoCAD\\R18.0", KeyAccess::Read));
    EXPECT_EQ(SubkeysOf(*scratch), std::vector<std::string>{"Autodesk"});

    auto again = scratch->Create("Autodesk\\AutoCAD");
    ASSERT_TRUE(again);
    EXPECT_EQ(SubkeysOf(*again), std::vector<std::string>{"R18.0"});
}

TEST_P(RegistryContract, OpeningAMissingKeyGivesNothingWhateverTheAccess) {
    for (KeyAccess access : {KeyAccess::Default, KeyAccess::Read, KeyAccess::Write}) {
        EXPECT_FALSE(scratch->Open("Missing", access)) << static_cast<int>(access);
        EXPECT_FALSE(scratch->Open("Missing\\Deeper", access)) << static_cast<int>(access);
    }
    EXPECT_EQ(scratch->SubkeyCount(), 0u);
}

TEST_P(RegistryContract, KeyAndValueNamesIgnoreCaseAndKeepTheirSpelling) {
    auto key = scratch->Create("Brelix\\MixedCase");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString("Brelix_Path", "C:\\Brelix"));

    auto upper = scratch->Open("BRELIX\\MIXEDCASE", KeyAccess::Read);
    ASSERT_TRUE(upper);
    EXPECT_EQ(upper->ReadValue("BRELIX_PATH", 260).Text(), "C:\\Brelix");
    auto brelix = scratch->Open("brelix", KeyAccess::Read);
    ASSERT_TRUE(brelix);
    EXPECT_EQ(SubkeysOf(*brelix), std::vector<std::string>{"MixedCase"});

    // Creating with another spelling opens the existing key rather than adding one.
    ASSERT_TRUE(scratch->Create("BRELIX\\mixedcase"));
    EXPECT_EQ(SubkeysOf(*brelix), std::vector<std::string>{"MixedCase"});
}

TEST_P(RegistryContract, SubkeysEnumerateSortedWithoutRegardToCase) {
    for (const char* name : {"R19.1", "acad-0001", "Applications", "R18.0", "Zeta"}) {
        ASSERT_TRUE(scratch->Create(name)) << name;
    }
    EXPECT_EQ(scratch->SubkeyCount(), 5u);
    EXPECT_EQ(SubkeysOf(*scratch),
              (std::vector<std::string>{"acad-0001", "Applications", "R18.0", "R19.1", "Zeta"}));
    EXPECT_EQ(scratch->SubkeyName(5, 256), std::nullopt);
}

TEST_P(RegistryContract, SubkeyNameMustFitTheBufferWithItsTerminator) {
    ASSERT_TRUE(scratch->Create("ABCDEFGHIJ"));  // 10 bytes
    struct Case {
        std::size_t capacity;
        std::optional<std::string> expected;
    };
    const Case cases[] = {{10, std::nullopt}, {11, "ABCDEFGHIJ"}, {256, "ABCDEFGHIJ"}};
    for (const auto& c : cases) {
        EXPECT_EQ(scratch->SubkeyName(0, c.capacity), c.expected) << "capacity " << c.capacity;
    }
}

TEST_P(RegistryContract, StringIsStoredWithItsZeroByte) {
    ASSERT_TRUE(scratch->WriteString("Brelix_Path", "C:\\Brelix"));
    const auto read = scratch->ReadValue("Brelix_Path", 260);
    ASSERT_EQ(read.status, ReadStatus::Ok);
    EXPECT_EQ(read.type, platform::kRegSz);
    EXPECT_EQ(read.data, std::string("C:\\Brelix\0", 10));
    EXPECT_EQ(read.Text(), "C:\\Brelix");

    ASSERT_TRUE(scratch->WriteString("Empty", ""));
    EXPECT_EQ(scratch->ReadValue("Empty", 260).data, std::string(1, '\0'));
}

TEST_P(RegistryContract, DwordIsStoredAsFourLittleEndianBytes) {
    ASSERT_TRUE(scratch->WriteDword("LOADCTRLS", 0x0000020E));
    const auto read = scratch->ReadValue("LOADCTRLS", 256);
    ASSERT_EQ(read.status, ReadStatus::Ok);
    EXPECT_EQ(read.type, platform::kRegDword);
    EXPECT_EQ(read.data, std::string("\x0E\x02\x00\x00", 4));
}

TEST_P(RegistryContract, ValueLargerThanTheBufferIsNotRead) {
    const std::string text(400, 'x');
    ASSERT_TRUE(scratch->WriteString("TRUSTEDPATHS", text));
    struct Case {
        std::size_t capacity;
        ReadStatus status;
        std::string data;
    };
    const Case cases[] = {
        {256, ReadStatus::TooLarge, ""},
        {400, ReadStatus::TooLarge, ""},  // the zero byte does not fit
        {401, ReadStatus::Ok, text + '\0'},
        {13000, ReadStatus::Ok, text + '\0'},
    };
    for (const auto& c : cases) {
        const auto read = scratch->ReadValue("TRUSTEDPATHS", c.capacity);
        EXPECT_EQ(read.status, c.status) << "capacity " << c.capacity;
        EXPECT_EQ(read.data, c.data) << "capacity " << c.capacity;
    }
}

TEST_P(RegistryContract, MissingValueIsReportedAsMissing) {
    const auto read = scratch->ReadValue("AcadLocation", 256);
    EXPECT_EQ(read.status, ReadStatus::Missing);
    EXPECT_TRUE(read.data.empty());
}

TEST_P(RegistryContract, WritingAgainReplacesTheValueAndItsType) {
    ASSERT_TRUE(scratch->WriteDword("LOADER", 2));
    ASSERT_TRUE(scratch->WriteString("LOADER", "D:\\Brelix\\BRELIX2010.ARX"));
    const auto read = scratch->ReadValue("LOADER", 256);
    EXPECT_EQ(read.type, platform::kRegSz);
    EXPECT_EQ(read.Text(), "D:\\Brelix\\BRELIX2010.ARX");
}

TEST_P(RegistryContract, DeletingAValueRemovesItAndAMissingOneFails) {
    ASSERT_TRUE(scratch->WriteString("C:\\Program Files\\AutoCAD 2008\\acad.exe", "WINXPSP2"));
    ASSERT_TRUE(scratch->WriteString("Other", "kept"));
    EXPECT_TRUE(scratch->DeleteValue("C:\\PROGRAM FILES\\AutoCAD 2008\\ACAD.EXE"));
    EXPECT_EQ(scratch->ReadValue("C:\\Program Files\\AutoCAD 2008\\acad.exe", 256).status,
              ReadStatus::Missing);
    EXPECT_FALSE(scratch->DeleteValue("C:\\Program Files\\AutoCAD 2008\\acad.exe"));
    EXPECT_EQ(scratch->ReadValue("Other", 256).Text(), "kept");
}

TEST_P(RegistryContract, OnlyAKeyWithoutSubkeysCanBeDeleted) {
    ASSERT_TRUE(scratch->Create("Applications\\Brelix2010\\Commands"));
    EXPECT_FALSE(scratch->DeleteSubkey("Applications\\Brelix2010"));
    EXPECT_TRUE(scratch->Open("Applications\\Brelix2010\\Commands", KeyAccess::Read));

    EXPECT_TRUE(scratch->DeleteSubkey("Applications\\Brelix2010\\Commands"));
    EXPECT_TRUE(scratch->DeleteSubkey("APPLICATIONS\\BRELIX2010"));
    EXPECT_FALSE(scratch->Open("Applications\\Brelix2010", KeyAccess::Read));
    EXPECT_FALSE(scratch->DeleteSubkey("Applications\\Brelix2010"));
    EXPECT_EQ(SubkeysOf(*scratch), std::vector<std::string>{"Applications"});
}

TEST_P(RegistryContract, DeletingTheEmptyPathNeverDeletesTheKeyItself) {
    auto leaf = scratch->Create("Applications\\Brelix2010");
    ASSERT_TRUE(leaf);
    EXPECT_FALSE(leaf->DeleteSubkey(""));
    EXPECT_TRUE(scratch->Open("Applications\\Brelix2010", KeyAccess::Read));
    EXPECT_TRUE(leaf->WriteString("LOADER", "still there"));
}

TEST_P(RegistryContract, OpeningTheEmptyPathGivesAHandleOfItsOwn) {
    for (KeyAccess access : {KeyAccess::Default, KeyAccess::Read}) {
        auto again = scratch->Open("", access);
        ASSERT_TRUE(again) << static_cast<int>(access);
        ASSERT_TRUE(scratch->WriteString("Seen", "through the first handle"));
        EXPECT_EQ(again->ReadValue("Seen", 256).Text(), "through the first handle");
    }
    // The handles above are closed now; the first one must not have gone with them.
    EXPECT_TRUE(scratch->WriteString("After", "still open"));
    EXPECT_EQ(scratch->ReadValue("After", 256).Text(), "still open");

    auto rootAgain = root->Open("", KeyAccess::Default);
    ASSERT_TRUE(rootAgain);
    rootAgain.reset();
    EXPECT_TRUE(root->Open(backend->ScratchKeyPath(), KeyAccess::Read));
}

TEST_P(RegistryContract, RootsCanBeOpenedAndClosedRepeatedly) {
    for (int round = 0; round < 3; ++round) {
        for (RootKey rootKey : {RootKey::LocalMachine, RootKey::CurrentUser}) {
            auto opened = services().registry.OpenRoot(rootKey);
            ASSERT_TRUE(opened) << "round " << round;
            EXPECT_TRUE(opened->SubkeyCount().has_value());
        }
    }
    EXPECT_TRUE(root->Open(backend->ScratchKeyPath(), KeyAccess::Read));
}

TEST_P(RegistryContract, AccessAskedForLimitsWhatAKeyCanDo) {
    ASSERT_TRUE(scratch->WriteString("Brelix_Path", "C:\\Brelix"));
    const std::string path = backend->ScratchKeyPath();

    auto reader = root->Open(path, KeyAccess::Read);
    ASSERT_TRUE(reader);
    EXPECT_EQ(reader->ReadValue("Brelix_Path", 260).Text(), "C:\\Brelix");
    EXPECT_FALSE(reader->WriteString("Brelix_Path", "D:\\Other"));

    auto writer = root->Open(path, KeyAccess::Write);
    ASSERT_TRUE(writer);
    EXPECT_TRUE(writer->WriteString("TRUSTEDPATHS", "C:\\Brelix\\Brelix结构工具箱"));
    EXPECT_EQ(writer->ReadValue("Brelix_Path", 260).status, ReadStatus::Failed);

    auto byDefault = root->Open(path, KeyAccess::Default);
    ASSERT_TRUE(byDefault);
    EXPECT_TRUE(byDefault->WriteString("LOADER", "x"));
    EXPECT_EQ(byDefault->ReadValue("TRUSTEDPATHS", 260).Text(), "C:\\Brelix\\Brelix结构工具箱");
    EXPECT_EQ(reader->ReadValue("Brelix_Path", 260).Text(), "C:\\Brelix");
}

TEST_P(RegistryContract, ChineseKeyAndValueNamesRoundTrip) {
    auto key = scratch->Create("Brelix结构工具箱\\型钢库");
    ASSERT_TRUE(key);
    ASSERT_TRUE(key->WriteString("安装路径", "C:\\Brelix\\Brelix结构工具箱"));

    auto product = scratch->Open("Brelix结构工具箱", KeyAccess::Read);
    ASSERT_TRUE(product);
    EXPECT_EQ(SubkeysOf(*product), std::vector<std::string>{"型钢库"});
    EXPECT_EQ(SubkeysOf(*scratch), std::vector<std::string>{"Brelix结构工具箱"});
    auto library = product->Open("型钢库", KeyAccess::Read);
    ASSERT_TRUE(library);
    const auto read = library->ReadValue("安装路径", 260);
    EXPECT_EQ(read.status, ReadStatus::Ok);
    EXPECT_EQ(read.data, std::string("C:\\Brelix\\Brelix结构工具箱") + '\0');
}

// Discovery searches release keys side by side: each read, made once, through keys it opens itself,
// and every one of them over before the call returns.
TEST_P(RegistryContract, ConcurrentReadsEachRunOnceAndAllEndBeforeTheCallReturns) {
    constexpr std::size_t kKeys = 120;
    for (std::size_t i = 0; i < kKeys; ++i) {
        auto key = scratch->Create("R" + std::to_string(i) + "\\ACAD-804");
        ASSERT_TRUE(key && key->WriteString("AcadLocation", "C:\\AutoCAD " + std::to_string(i)));
    }
    std::vector<int> calls(kKeys, 0);
    std::vector<std::string> read(kKeys);
    services().registry.ReadConcurrently(kKeys, [&](std::size_t i) {
        ++calls[i];
        auto key = scratch->Open("R" + std::to_string(i), KeyAccess::Read);
        auto product = key ? key->Open("ACAD-804", KeyAccess::Read) : nullptr;
        read[i] = product ? product->ReadValue("AcadLocation", 256).Text() : "<unread>";
    });
    for (std::size_t i = 0; i < kKeys; ++i) {
        EXPECT_EQ(calls[i], 1) << i;
        EXPECT_EQ(read[i], "C:\\AutoCAD " + std::to_string(i));
    }
    services().registry.ReadConcurrently(0, [&](std::size_t) { ADD_FAILURE() << "nothing to read"; });
}

}  // namespace contract
