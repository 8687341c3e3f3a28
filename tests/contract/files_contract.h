#pragma once
// File system behaviour the installer relies on, checked against every backend.

#include <functional>
#include <optional>

#include "tests/contract/contract_fixture.h"

namespace contract {

using platform::DirEntry;
using platform::kAttrArchive;
using platform::kAttrDirectory;
using platform::kAttrReadOnly;

class FilesContract : public PlatformContract {
  protected:
    platform::FileSystem& files() { return services().files; }
};

TEST_P(FilesContract, ListingGivesTheDotEntriesFirstThenEveryEntryOnce) {
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix.dwg"), "drawing"));
    ASSERT_TRUE(files().CreateDirectory(InScratch("temp")));
    ASSERT_TRUE(backend->WriteFile(InScratch("acad.pgp"), "aliases"));

    const auto entries = Search(files(), InScratch("*.*"));
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0], (Entry{".", kAttrDirectory}));
    EXPECT_EQ(entries[1], (Entry{"..", kAttrDirectory}));
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()),
              (std::vector<Entry>{
                  {"acad.pgp", kAttrArchive}, {"Brelix.dwg", kAttrArchive}, {"temp", kAttrDirectory}}));
}

TEST_P(FilesContract, EmptyFolderListsOnlyTheDotEntries) {
    ASSERT_TRUE(files().CreateDirectory(InScratch("temp")));
    EXPECT_EQ(Search(files(), InScratch("temp\\*.*")),
              (std::vector<Entry>{{".", kAttrDirectory}, {"..", kAttrDirectory}}));
}

TEST_P(FilesContract, SearchPastTheEndKeepsFailingAndLeavesTheEntryAlone) {
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix.prt"), "part"));
    DirEntry entry;
    auto search = files().FindFirst(InScratch("*.prt"), entry);
    ASSERT_TRUE(search);
    EXPECT_EQ(entry.name, "Brelix.prt");
    for (int call = 0; call < 2; ++call) {
        EXPECT_FALSE(search->Next(entry)) << "call " << call;
        EXPECT_EQ(entry.name, "Brelix.prt") << "call " << call;
        EXPECT_EQ(entry.attributes, kAttrArchive) << "call " << call;
    }
}

TEST_P(FilesContract, SearchThatFindsNothingLeavesTheEntryAlone) {
    const std::string patterns[] = {InScratch("Missing\\*.*"), InScratch("Missing"), InScratch("*.arx")};
    for (const auto& pattern : patterns) {
        DirEntry entry{"untouched", 0x1234};
        EXPECT_EQ(files().FindFirst(pattern, entry), nullptr) << pattern;
        EXPECT_EQ(entry.name, "untouched") << pattern;
        EXPECT_EQ(entry.attributes, 0x1234u) << pattern;
    }
}

TEST_P(FilesContract, PatternEdgesFindWhatWindowsFinds) {
    ASSERT_TRUE(files().CreateDirectory(InScratch("Data")));
    ASSERT_TRUE(backend->WriteFile(InScratch("Data\\Brelix2010.arx"), "module"));
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix.prt"), "part"));
    struct Case {
        std::string pattern;
        std::vector<Entry> expected;
    };
    const Case cases[] = {
        {InScratch("Data\\*"),
         {{".", kAttrDirectory}, {"..", kAttrDirectory}, {"Brelix2010.arx", kAttrArchive}}},
        {InScratch("Data\\"), {}},           // a trailing "\" names no entry
        {InScratch("Brelix.prt\\*.*"), {}},  // a file is no folder to list
        {InScratch("Data\\*.arx"), {{"Brelix2010.arx", kAttrArchive}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Search(files(), c.pattern), c.expected) << c.pattern;
}

TEST_P(FilesContract, ExactNameSearchFindsTheEntryWithItsStoredSpelling) {
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix2010.arx"), "module"));
    ASSERT_TRUE(files().CreateDirectory(InScratch("Data")));

    EXPECT_EQ(Search(files(), InScratch("BRELIX2010.ARX")),
              (std::vector<Entry>{{"Brelix2010.arx", kAttrArchive}}));
    EXPECT_EQ(Search(files(), InScratch("data")), (std::vector<Entry>{{"Data", kAttrDirectory}}));
}

TEST_P(FilesContract, AttributesTellFoldersFromFilesAndKeepReadOnly) {
    ASSERT_TRUE(files().CreateDirectory(InScratch("Fonts")));
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix_EN.shx"), "font"));

    EXPECT_EQ(files().GetAttributes(InScratch("Fonts")), kAttrDirectory);
    EXPECT_EQ(files().GetAttributes(InScratch("FONTS")), kAttrDirectory);
    EXPECT_EQ(files().GetAttributes(InScratch("Brelix_EN.shx")), kAttrArchive);
    EXPECT_EQ(files().GetAttributes(InScratch("Missing.shx")), std::nullopt);

    EXPECT_TRUE(files().SetAttributes(InScratch("brelix_en.SHX"), kAttrArchive | kAttrReadOnly));
    EXPECT_EQ(files().GetAttributes(InScratch("Brelix_EN.shx")), kAttrArchive | kAttrReadOnly);
    EXPECT_TRUE(files().SetAttributes(InScratch("Brelix_EN.shx"), kAttrArchive));
    EXPECT_EQ(files().GetAttributes(InScratch("Brelix_EN.shx")), kAttrArchive);
    EXPECT_FALSE(files().SetAttributes(InScratch("Missing.shx"), kAttrArchive));
}

TEST_P(FilesContract, CopyReplacesAnExistingTargetUnlessAskedNotTo) {
    ASSERT_TRUE(backend->WriteFile(InScratch("new.cfg"), "new settings"));
    ASSERT_TRUE(backend->WriteFile(InScratch("user.cfg"), "old settings"));

    EXPECT_FALSE(files().CopyFile(InScratch("new.cfg"), InScratch("user.cfg"), true));
    EXPECT_EQ(backend->ReadFile(InScratch("user.cfg")), "old settings");

    EXPECT_TRUE(files().CopyFile(InScratch("new.cfg"), InScratch("user.cfg"), false));
    EXPECT_EQ(backend->ReadFile(InScratch("user.cfg")), "new settings");
    EXPECT_EQ(backend->ReadFile(InScratch("new.cfg")), "new settings");
}

// What tells an installed file from one of another version without reading it: a listing gives each
// file's size and time of last write, and a copy, new file or not, carries the time.
TEST_P(FilesContract, ListingsGiveSizeAndTimeOfLastWriteWhichCopiesCarry) {
    ASSERT_TRUE(backend->WriteFile(InScratch("a.arx"), "module"));
    ASSERT_TRUE(
        files().CopyToNewFile(InScratch("a.arx"), InScratch("b.arx"), [](const char*, std::size_t) {}));
    ASSERT_TRUE(files().CopyFile(InScratch("a.arx"), InScratch("c.arx"), false));
    const auto listed = [this](const char* name) {
        DirEntry entry;
        EXPECT_TRUE(files().FindFirst(InScratch(name), entry)) << name;
        return entry;
    };
    const DirEntry a = listed("a.arx");
    EXPECT_EQ(a.size, 6u);
    EXPECT_NE(a.lastWrite, 0u);
    for (const char* copy : {"b.arx", "c.arx"}) {
        EXPECT_EQ(listed(copy).size, 6u) << copy;
        EXPECT_EQ(listed(copy).lastWrite, a.lastWrite) << copy;
    }
}

TEST_P(FilesContract, CopyIntoAnotherFolderMakesANewFile) {
    ASSERT_TRUE(files().CreateDirectory(InScratch("Fonts")));
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix_HZ.shx"), std::string("shape\0font\xFF", 11)));

    EXPECT_TRUE(files().CopyFile(InScratch("Brelix_HZ.shx"), InScratch("Fonts\\Brelix_HZ.shx"), true));
    EXPECT_EQ(backend->ReadFile(InScratch("Fonts\\Brelix_HZ.shx")), std::string("shape\0font\xFF", 11));
    EXPECT_EQ(ContentOf(files(), InScratch("Fonts")), (std::vector<Entry>{{"Brelix_HZ.shx", kAttrArchive}}));
}

TEST_P(FilesContract, CopyOfAMissingSourceFailsAndMakesNothing) {
    for (bool failIfExists : {false, true}) {
        EXPECT_FALSE(files().CopyFile(InScratch("Missing.arx"), InScratch("Copy.arx"), failIfExists));
    }
    EXPECT_FALSE(files().CopyFile(InScratch("Missing.arx"), InScratch("Nowhere\\Copy.arx"), false));
    EXPECT_TRUE(ContentOf(files(), backend->ScratchFolder()).empty());
}

TEST_P(FilesContract, CopyIntoAMissingFolderFails) {
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix.prt"), "part"));
    EXPECT_FALSE(files().CopyFile(InScratch("Brelix.prt"), InScratch("Missing\\Brelix.prt"), false));
    EXPECT_EQ(files().GetAttributes(InScratch("Missing")), std::nullopt);
}

TEST_P(FilesContract, CopyCarriesTheReadOnlyAttribute) {
    ASSERT_TRUE(backend->WriteFile(InScratch("locked.cfg"), "settings"));
    ASSERT_TRUE(files().SetAttributes(InScratch("locked.cfg"), kAttrArchive | kAttrReadOnly));

    EXPECT_TRUE(files().CopyFile(InScratch("locked.cfg"), InScratch("copy.cfg"), false));
    EXPECT_EQ(files().GetAttributes(InScratch("copy.cfg")), kAttrArchive | kAttrReadOnly);
    EXPECT_EQ(backend->ReadFile(InScratch("copy.cfg")), "settings");
}

TEST_P(FilesContract, CopyOntoAReadOnlyTargetFailsAndKeepsIt) {
    if (!backend->ProtectsReadOnlyTargets())
        GTEST_SKIP() << "this system overwrites read-only targets";
    ASSERT_TRUE(backend->WriteFile(InScratch("new.cfg"), "new"));
    ASSERT_TRUE(backend->WriteFile(InScratch("kept.cfg"), "old"));
    ASSERT_TRUE(files().SetAttributes(InScratch("kept.cfg"), kAttrArchive | kAttrReadOnly));

    EXPECT_FALSE(files().CopyFile(InScratch("new.cfg"), InScratch("kept.cfg"), false));
    EXPECT_EQ(backend->ReadFile(InScratch("kept.cfg")), "old");
}

TEST_P(FilesContract, CopyOntoAnotherSpellingReplacesTheFileInPlace) {
    ASSERT_TRUE(backend->WriteFile(InScratch("a.cfg"), "old"));
    ASSERT_TRUE(backend->WriteFile(InScratch("source.cfg"), "new"));

    EXPECT_TRUE(files().CopyFile(InScratch("source.cfg"), InScratch("A.CFG"), false));
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()),
              (std::vector<Entry>{{"a.cfg", kAttrArchive}, {"source.cfg", kAttrArchive}}));
    EXPECT_EQ(backend->ReadFile(InScratch("a.cfg")), "new");
}

// The copy that hands on its content must leave every case as CopyFile does: each case is set up
// twice, once for each copy, and both folders are compared afterwards.
TEST_P(FilesContract, ReportingCopyEndsAsCopyFileAndHandsOnEveryByte) {
    std::string large;  // more than one piece of any backend
    for (int i = 0; i < 1536 * 1024; ++i)
        large += static_cast<char>(i * 13 + i / 4096);
    struct Case {
        std::string name;
        std::function<void(const std::string& folder)> setUp;
        std::string from;
        std::string to;
    };
    auto write = [this](const std::string& path, const std::string& content, std::uint32_t attributes) {
        ASSERT_TRUE(backend->WriteFile(path, content)) << path;
        if (attributes != kAttrArchive) {
            ASSERT_TRUE(files().SetAttributes(path, attributes)) << path;
        }
    };
    const Case cases[] = {
        {"large", [&](const std::string& f) { write(f + "\\s.arx", large, kAttrArchive); }, "s.arx", "t.arx"},
        {"empty", [&](const std::string& f) { write(f + "\\s.cfg", "", kAttrArchive); }, "s.cfg", "t.cfg"},
        {"replaces",
         [&](const std::string& f) {
             write(f + "\\s.cfg", "new settings", kAttrArchive);
             write(f + "\\t.cfg", "old", kAttrArchive);
         },
         "s.cfg", "T.CFG"},
        {"read-only source",
         [&](const std::string& f) { write(f + "\\s.cfg", "ro", kAttrArchive | kAttrReadOnly); }, "s.cfg",
         "t.cfg"},
        {"read-only target",
         [&](const std::string& f) {
             write(f + "\\s.cfg", "new", kAttrArchive);
             write(f + "\\t.cfg", "kept", kAttrArchive | kAttrReadOnly);
         },
         "s.cfg", "t.cfg"},
        {"hidden target",
         [&](const std::string& f) {
             write(f + "\\s.cfg", "new", kAttrArchive);
             write(f + "\\t.cfg", "kept", kAttrArchive | platform::kAttrHidden);
         },
         "s.cfg", "t.cfg"},
        {"onto itself", [&](const std::string& f) { write(f + "\\s.cfg", "only copy", kAttrArchive); },
         "s.cfg", "S.CFG"},
        {"missing source", [](const std::string&) {}, "missing.cfg", "t.cfg"},
        {"missing folder", [&](const std::string& f) { write(f + "\\s.cfg", "x", kAttrArchive); }, "s.cfg",
         "Missing\\t.cfg"},
    };
    for (const Case& c : cases) {
        const std::string plain = InScratch(c.name + " plain");
        const std::string reporting = InScratch(c.name + " reporting");
        for (const std::string& folder : {plain, reporting}) {
            ASSERT_TRUE(files().CreateDirectory(folder)) << c.name;
            c.setUp(folder);
        }
        const std::optional<std::string> source = backend->ReadFile(reporting + "\\" + c.from);
        std::string pieces;
        const bool copiedPlain = files().CopyFile(plain + "\\" + c.from, plain + "\\" + c.to, false);
        const bool copied =
            files().CopyFileReporting(reporting + "\\" + c.from, reporting + "\\" + c.to,
                                      [&](const char* data, std::size_t size) { pieces.append(data, size); });
        EXPECT_EQ(copied, copiedPlain) << c.name;
        EXPECT_EQ(ContentOf(files(), reporting), ContentOf(files(), plain)) << c.name;
        EXPECT_EQ(backend->ReadFile(reporting + "\\" + c.to), backend->ReadFile(plain + "\\" + c.to))
            << c.name;
        if (copied) {
            EXPECT_EQ(pieces, source.value_or("?")) << c.name;
        }
    }
}

TEST_P(FilesContract, MoveTakesTheFileAwayAndReplacesAnExistingTarget) {
    ASSERT_TRUE(files().CreateDirectory(InScratch("SetUp_Temp1")));
    ASSERT_TRUE(files().CreateDirectory(InScratch("Product")));
    ASSERT_TRUE(backend->WriteFile(InScratch("SetUp_Temp1\\A.CFG"), "user A"));
    ASSERT_TRUE(backend->WriteFile(InScratch("SetUp_Temp1\\B.SEC"), "user B"));
    ASSERT_TRUE(backend->WriteFile(InScratch("Product\\A.CFG"), "fresh A"));

    EXPECT_TRUE(files().MoveFile(InScratch("SetUp_Temp1\\A.CFG"), InScratch("Product\\A.CFG")));
    EXPECT_TRUE(files().MoveFile(InScratch("SetUp_Temp1\\B.SEC"), InScratch("Product\\B.SEC")));
    EXPECT_EQ(backend->ReadFile(InScratch("Product\\A.CFG")), "user A");
    EXPECT_EQ(backend->ReadFile(InScratch("Product\\B.SEC")), "user B");
    EXPECT_EQ(ContentOf(files(), InScratch("Product")),
              (std::vector<Entry>{{"A.CFG", kAttrArchive}, {"B.SEC", kAttrArchive}}));
    EXPECT_TRUE(ContentOf(files(), InScratch("SetUp_Temp1")).empty());
    EXPECT_TRUE(files().RemoveDirectory(InScratch("SetUp_Temp1")));
}

TEST_P(FilesContract, MoveThatCannotBeMadeLeavesTheSource) {
    ASSERT_TRUE(backend->WriteFile(InScratch("A.CFG"), "user A"));
    EXPECT_FALSE(files().MoveFile(InScratch("Missing.cfg"), InScratch("B.CFG")));
    EXPECT_FALSE(files().MoveFile(InScratch("A.CFG"), InScratch("Missing\\A.CFG")));
    EXPECT_EQ(backend->ReadFile(InScratch("A.CFG")), "user A");
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()), (std::vector<Entry>{{"A.CFG", kAttrArchive}}));
}

TEST_P(FilesContract, ReadInPiecesGivesTheWholeContentInOrder) {
    std::string content;
    // Larger than one piece of any backend's reads.
    for (int i = 0; i < 300000; ++i)
        content += static_cast<char>(i * 7 + i / 256);
    ASSERT_TRUE(backend->WriteFile(InScratch("large.arx"), content));
    ASSERT_TRUE(backend->WriteFile(InScratch("empty.cfg"), ""));
    struct Case {
        std::string path;
        std::size_t maxBytes;
        bool read;
        std::string pieces;
    };
    const Case cases[] = {
        {InScratch("large.arx"), content.size(), true, content},
        {InScratch("large.arx"), content.size() - 1, false, ""},
        {InScratch("empty.cfg"), 0, true, ""},
        {InScratch("Missing.arx"), 100, false, ""},
        {backend->ScratchFolder(), 100, false, ""},
    };
    for (const Case& c : cases) {
        std::string pieces;
        EXPECT_EQ(files().ReadPieces(c.path, c.maxBytes,
                                     [&](const char* data, std::size_t size) { pieces.append(data, size); }),
                  c.read)
            << c.path << " " << c.maxBytes;
        EXPECT_EQ(pieces, c.pieces) << c.path << " " << c.maxBytes;
    }
    // Read through an opened file goes on where the last read ended, and gives 0 at the end.
    const auto opened = files().OpenToRead(InScratch("large.arx"));
    ASSERT_TRUE(opened);
    std::string read;
    char buffer[4099];
    for (std::optional<std::size_t> got; (got = opened->Read(buffer, sizeof buffer)) && *got > 0;)
        read.append(buffer, *got);
    EXPECT_EQ(read, content);
    EXPECT_EQ(opened->Read(buffer, sizeof buffer), std::optional<std::size_t>(0));
}

TEST_P(FilesContract, CreateDirectoryMakesOneLevelOnly) {
    struct Case {
        const char* path;
        bool created;
    };
    const Case cases[] = {
        {"Brelix", true},         {"Brelix", false},  // exists
        {"BRELIX", false},                            // exists under another spelling
        {"Missing\\temp", false},                     // parent missing
        {"Brelix\\temp", true},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(files().CreateDirectory(InScratch(c.path)), c.created) << c.path;
    }
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()), (std::vector<Entry>{{"Brelix", kAttrDirectory}}));
    EXPECT_EQ(ContentOf(files(), InScratch("Brelix")), (std::vector<Entry>{{"temp", kAttrDirectory}}));
}

TEST_P(FilesContract, CreateDirectoryFailsWhereAFileHasTheName) {
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix"), "a file"));
    EXPECT_FALSE(files().CreateDirectory(InScratch("Brelix")));
    EXPECT_EQ(files().GetAttributes(InScratch("Brelix")), kAttrArchive);
}

TEST_P(FilesContract, RemoveDirectoryRemovesOnlyAnEmptyFolder) {
    ASSERT_TRUE(files().CreateDirectory(InScratch("SetUp_Temp1")));
    ASSERT_TRUE(backend->WriteFile(InScratch("SetUp_Temp1\\user.cfg"), "x"));
    ASSERT_TRUE(files().CreateDirectory(InScratch("SetUp_Temp2")));

    EXPECT_FALSE(files().RemoveDirectory(InScratch("SetUp_Temp1")));
    EXPECT_EQ(backend->ReadFile(InScratch("SetUp_Temp1\\user.cfg")), "x");
    EXPECT_TRUE(files().RemoveDirectory(InScratch("setup_temp2")));
    EXPECT_FALSE(files().RemoveDirectory(InScratch("SetUp_Temp2")));
    EXPECT_FALSE(files().RemoveDirectory(InScratch("SetUp_Temp1\\user.cfg")));
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()),
              (std::vector<Entry>{{"SetUp_Temp1", kAttrDirectory}}));
}

TEST_P(FilesContract, DeleteFileRefusesReadOnlyFilesAndFolders) {
    ASSERT_TRUE(backend->WriteFile(InScratch("kept.cfg"), "settings"));
    ASSERT_TRUE(files().SetAttributes(InScratch("kept.cfg"), kAttrArchive | kAttrReadOnly));
    ASSERT_TRUE(files().CreateDirectory(InScratch("temp")));

    EXPECT_FALSE(files().DeleteFile(InScratch("kept.cfg")));
    EXPECT_EQ(backend->ReadFile(InScratch("kept.cfg")), "settings");
    EXPECT_FALSE(files().DeleteFile(InScratch("temp")));
    EXPECT_FALSE(files().DeleteFile(InScratch("missing.cfg")));

    ASSERT_TRUE(files().SetAttributes(InScratch("kept.cfg"), kAttrArchive));
    EXPECT_TRUE(files().DeleteFile(InScratch("KEPT.CFG")));
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()), (std::vector<Entry>{{"temp", kAttrDirectory}}));
}

TEST_P(FilesContract, AFileOpenedToDeleteIsCheckedAndDeletedThroughItsHandle) {
    ASSERT_TRUE(backend->WriteFile(InScratch("钢梁.arx"), "shipped module"));
    ASSERT_TRUE(files().SetAttributes(InScratch("钢梁.arx"), kAttrArchive | kAttrReadOnly));
    ASSERT_TRUE(files().CreateDirectory(InScratch("temp")));
    const std::string folder = files().FinalPath(backend->ScratchFolder());
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(files().FinalPath(InScratch("missing")), "");
    EXPECT_EQ(files().OpenToDelete(InScratch("missing.arx")), nullptr);
    EXPECT_EQ(files().OpenToDelete(InScratch("temp")), nullptr);

    {
        // Held open to be read, sharing no deletion: it opens to be read again, not to be deleted.
        const auto reader = files().OpenToRead(InScratch("钢梁.ARX"));
        ASSERT_TRUE(reader);
        EXPECT_TRUE(files().OpenToRead(InScratch("钢梁.ARX")));
        EXPECT_EQ(files().OpenToDelete(InScratch("钢梁.ARX")), nullptr);
    }
    auto file = files().OpenToDelete(InScratch("钢梁.ARX"));
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Size(), 14u);
    EXPECT_EQ(file->Attributes() & (kAttrReadOnly | kAttrDirectory | platform::kAttrReparsePoint),
              kAttrReadOnly);
    EXPECT_TRUE(text936::EqualsNoCase(file->FinalPath(), folder + "\\钢梁.arx")) << file->FinalPath();
    for (int read = 0; read < 2; ++read) {  // each read starts at the beginning
        std::string content;
        EXPECT_TRUE(
            file->ReadPieces(1024, [&](const char* data, std::size_t size) { content.append(data, size); }));
        EXPECT_EQ(content, "shipped module");
    }
    EXPECT_FALSE(file->ReadPieces(13, [](const char*, std::size_t) {}));
    EXPECT_TRUE(file->Delete());
    file.reset();
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()), (std::vector<Entry>{{"temp", kAttrDirectory}}));
}

// What the installation writes in folders every user can write: a new file only where nothing is,
// put in place by a rename that replaces a link or one name of a hard-linked file, never writing
// into what either leads to. Attributes are never changed through a second name, and a file opened
// to be read tells its names and is copied through its own handle.
TEST_P(FilesContract, NewFilesAndRenamesNeverWriteThroughAHardLinkOrALink) {
    const std::string system = InScratch("win.ini"), other = InScratch("system.ini");
    ASSERT_TRUE(backend->WriteFile(system, "[fonts]"));
    ASSERT_TRUE(backend->WriteFile(other, "[boot]"));
    ASSERT_TRUE(backend->WriteFile(InScratch("new.arx"), "module"));
    ASSERT_TRUE(backend->MakeHardLink(InScratch("hard.arx"), system));
    ASSERT_TRUE(backend->MakeFileLink(InScratch("soft.arx"), other));
    ASSERT_TRUE(backend->MakeFileLink(InScratch("dangling.arx"), InScratch("nowhere.ini")));
    const auto ignore = [](const char*, std::size_t) {};

    for (const char* taken : {"hard.arx", "new.arx"}) {
        EXPECT_FALSE(files().CopyToNewFile(InScratch("new.arx"), InScratch(taken), ignore)) << taken;
        EXPECT_FALSE(files().WriteNewFile(InScratch(taken), "written")) << taken;
    }
    // Windows refuses a link there too; Wine 8 replaces a link it made itself by the new file.
    // Either way nothing reaches what the link leads to.
    for (const char* taken : {"soft.arx", "dangling.arx"})
        files().CopyToNewFile(InScratch("new.arx"), InScratch(taken), ignore);
    EXPECT_FALSE(files().GetAttributes(InScratch("nowhere.ini")));
    EXPECT_EQ(backend->ReadFile(other), "[boot]");
    EXPECT_FALSE(files().SetAttributes(InScratch("hard.arx"), kAttrArchive | kAttrReadOnly));
    EXPECT_EQ(*files().GetAttributes(system) & kAttrReadOnly, 0u);

    auto hard = files().OpenToRead(InScratch("hard.arx"));
    auto plain = files().OpenToRead(InScratch("new.arx"));
    ASSERT_TRUE(hard && plain);
    EXPECT_EQ(hard->LinkCount(), 2u);
    EXPECT_EQ(plain->LinkCount(), 1u);
    EXPECT_FALSE(plain->Delete()) << "opened only to be read";
    std::string copied;
    ASSERT_TRUE(
        files().CopyOpenedToNewFile(*plain, InScratch("staged.tmp"),
                                    [&](const char* data, std::size_t size) { copied.append(data, size); }));
    EXPECT_EQ(copied, "module");
    hard.reset();
    plain.reset();

    for (const char* name : {"hard.arx", "soft.arx"}) {
        ASSERT_TRUE(files().CopyToNewFile(InScratch("staged.tmp"), InScratch("next.tmp"), ignore));
        EXPECT_TRUE(files().Rename(InScratch("next.tmp"), InScratch(name))) << name;
        EXPECT_EQ(backend->ReadFile(InScratch(name)), "module") << name;
    }
    EXPECT_EQ(backend->ReadFile(system), "[fonts]");
    EXPECT_EQ(backend->ReadFile(other), "[boot]");
    EXPECT_EQ(files().OpenToRead(system)->LinkCount(), 1u);

    // A rename moves a link's own name, or nothing: never the file it leads to (Wine would).
    ASSERT_TRUE(backend->MakeFileLink(InScratch("again.arx"), other));
    files().Rename(InScratch("again.arx"), InScratch("moved.arx"));
    EXPECT_EQ(backend->ReadFile(other), "[boot]");
    // A name deleted is the name alone.
    EXPECT_TRUE(files().DeleteName(
        InScratch(files().GetAttributes(InScratch("moved.arx")) ? "moved.arx" : "again.arx")));
    EXPECT_EQ(backend->ReadFile(other), "[boot]");
    EXPECT_TRUE(files().DeleteName(InScratch("hard.arx")));
    EXPECT_FALSE(files().GetAttributes(InScratch("hard.arx")));
    ASSERT_TRUE(backend->MakeHardLink(InScratch("second.arx"), system));
    EXPECT_TRUE(files().DeleteName(InScratch("second.arx")));
    EXPECT_FALSE(files().GetAttributes(InScratch("second.arx")));
    EXPECT_EQ(backend->ReadFile(system), "[fonts]");
}

// A folder held for a run cannot be removed or renamed, nor can a file held open: Windows refuses
// whoever asks, this program included. Let go, both can.
TEST_P(FilesContract, AHeldFolderOrFileCannotBeRemovedOrRenamedUntilItIsLetGo) {
    ASSERT_TRUE(files().CreateDirectory(InScratch("产品")));
    ASSERT_TRUE(backend->WriteFile(InScratch("产品\\A.CFG"), "settings"));
    ASSERT_TRUE(files().CreateDirectory(InScratch("图库")));
    const std::string folder = files().FinalPath(backend->ScratchFolder());
    auto library = files().HoldFolder(InScratch("图库"));
    {
        auto held = files().HoldFolder(InScratch("产品"));
        ASSERT_TRUE(held && library);
        EXPECT_EQ(held->Attributes() & (kAttrDirectory | platform::kAttrReparsePoint), kAttrDirectory);
        EXPECT_TRUE(text936::EqualsNoCase(held->FinalPath(), folder + "\\产品")) << held->FinalPath();
        EXPECT_TRUE(text936::EqualsNoCase(files().FinalPath(InScratch("产品")), folder + "\\产品"));
        EXPECT_EQ(files().HoldFolder(InScratch("产品\\A.CFG")), nullptr) << "a file is no folder";
        EXPECT_TRUE(files().DeleteFile(InScratch("产品\\A.CFG"))) << "what is in it can change";
        EXPECT_FALSE(files().RemoveDirectory(InScratch("产品")));
        EXPECT_TRUE(files().GetAttributes(InScratch("产品")));
    }
    EXPECT_TRUE(files().RemoveDirectory(InScratch("产品")));
    // Let go and gone, a folder has no final path; the one still held keeps its own.
    EXPECT_EQ(files().FinalPath(InScratch("产品")), "");
    EXPECT_TRUE(text936::EqualsNoCase(files().FinalPath(InScratch("图库")), folder + "\\图库"));
    library.reset();
    EXPECT_TRUE(files().RemoveDirectory(InScratch("图库")));

    ASSERT_TRUE(backend->WriteFile(InScratch("A.CFG"), "settings"));
    {
        auto opened = files().OpenToRead(InScratch("A.CFG"));
        ASSERT_TRUE(opened);
        EXPECT_FALSE(files().CanRename(InScratch("A.CFG")));
        EXPECT_FALSE(files().Rename(InScratch("A.CFG"), InScratch("B.CFG")));
    }
    EXPECT_TRUE(files().CanRename(InScratch("A.CFG")));
    EXPECT_TRUE(files().Rename(InScratch("A.CFG"), InScratch("B.CFG")));
}

// A folder held to be removed goes through its hold, once empty, its subfolders first while it is
// held; nobody else holds it meanwhile. What a link's hold holds tells itself apart: by its
// attributes, or (Wine opens what the link leads to) by its final path.
TEST_P(FilesContract, AFolderHeldToBeRemovedGoesThroughItsHoldOnlyWhenEmpty) {
    const std::string scratch = files().FinalPath(backend->ScratchFolder());
    for (const char* folder : {"产品", "产品\\空", "产品\\满", "目标"})
        ASSERT_TRUE(files().CreateDirectory(InScratch(folder))) << folder;
    ASSERT_TRUE(backend->WriteFile(InScratch("产品\\满\\A.CFG"), "settings"));
    auto product = files().HoldFolderToRemove(InScratch("产品"));
    ASSERT_TRUE(product);
    EXPECT_EQ(files().HoldFolder(InScratch("产品")), nullptr) << "held to be removed, it is no one else's";
    EXPECT_FALSE(product->RemoveIfEmpty());
    // Listed through the hold (Wine refuses FindFirst on a folder held to be removed).
    const auto listed = product->List();
    ASSERT_TRUE(listed);
    std::vector<Entry> entries;
    for (const DirEntry& entry : *listed)
        entries.emplace_back(entry.name, entry.attributes & (kAttrDirectory | platform::kAttrReparsePoint));
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<Entry>{{"空", kAttrDirectory}, {"满", kAttrDirectory}}));
    {
        auto plain = files().HoldFolder(InScratch("产品\\满"));
        ASSERT_TRUE(plain);
        EXPECT_EQ(files().HoldFolderToRemove(InScratch("产品\\满")), nullptr) << "held by another";
        EXPECT_FALSE(plain->RemoveIfEmpty()) << "not held to be removed";
    }
    auto empty = files().HoldFolderToRemove(InScratch("产品\\空"));
    auto full = files().HoldFolderToRemove(InScratch("产品\\满"));
    ASSERT_TRUE(empty && full);
    EXPECT_TRUE(text936::EqualsNoCase(empty->FinalPath(), scratch + "\\产品\\空")) << empty->FinalPath();
    EXPECT_FALSE(full->RemoveIfEmpty());
    EXPECT_FALSE(files().RemoveDirectory(InScratch("产品\\满"))) << "still held";
    EXPECT_TRUE(empty->RemoveIfEmpty());
    EXPECT_FALSE(files().GetAttributes(InScratch("产品\\空")));
    ASSERT_TRUE(files().DeleteFile(InScratch("产品\\满\\A.CFG")));
    EXPECT_TRUE(full->RemoveIfEmpty());
    full.reset();
    EXPECT_TRUE(product->RemoveIfEmpty());
    EXPECT_FALSE(product->RemoveIfEmpty()) << "let go once gone";
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()), (std::vector<Entry>{{"目标", kAttrDirectory}}));

    ASSERT_TRUE(backend->MakeFolderLink(InScratch("链接"), InScratch("目标")));
    auto link = files().HoldFolderToRemove(InScratch("链接"));
    EXPECT_TRUE(!link || (link->Attributes() & platform::kAttrReparsePoint) ||
                !text936::EqualsNoCase(link->FinalPath(), scratch + "\\链接"))
        << (link ? link->FinalPath() : "");
}

TEST_P(FilesContract, FullPathsResolveEveryLevelWithoutTouchingAnything) {
    const std::string scratch = backend->ScratchFolder();
    EXPECT_EQ(files().FullPath(scratch + "\\temp\\..\\a\\.\\b.txt"), scratch + "\\a\\b.txt");
    EXPECT_EQ(files().FullPath(scratch + "\\temp/../../x.ini"),
              scratch.substr(0, text936::FindLastBackslash(scratch)) + "\\x.ini");
    EXPECT_EQ(files().FullPath(scratch + "\\钢梁\\节点"), scratch + "\\钢梁\\节点");
    EXPECT_EQ(files().FullPath(scratch.substr(0, 2) + "\\" + std::string(300, 'x')), "");
    EXPECT_EQ(ContentOf(files(), scratch), (std::vector<Entry>{}));
}

TEST_P(FilesContract, ChineseNamesRoundTripAsCodePage936Bytes) {
    // "\xB5\x5C" is one character whose second byte is the code of "\".
    const std::string product = "Brelix结构工具箱";
    const std::string tricky = "\xB5\x5C型钢库.dat";
    ASSERT_TRUE(files().CreateDirectory(InScratch(product)));
    ASSERT_TRUE(files().CreateDirectory(InScratch(product + "\\Brelix扩展绘图库")));
    ASSERT_TRUE(backend->WriteFile(InScratch(product + "\\" + tricky), "截面"));

    EXPECT_EQ(ContentOf(files(), InScratch(product)),
              (std::vector<Entry>{{"Brelix扩展绘图库", kAttrDirectory}, {tricky, kAttrArchive}}));
    EXPECT_TRUE(files().CopyFile(InScratch(product + "\\" + tricky),
                                 InScratch(product + "\\Brelix扩展绘图库\\副本.dat"), false));
    EXPECT_EQ(backend->ReadFile(InScratch(product + "\\Brelix扩展绘图库\\副本.dat")), "截面");
    EXPECT_EQ(Search(files(), InScratch(product + "\\Brelix扩展绘图库\\*.dat")),
              (std::vector<Entry>{{"副本.dat", kAttrArchive}}));
    EXPECT_EQ(files().GetAttributes(InScratch(product)), kAttrDirectory);
}

TEST_P(FilesContract, ProgramPathNamesTheRunningExecutable) {
    const std::string path = files().ProgramPath();
    ASSERT_FALSE(path.empty());
    EXPECT_TRUE(text936::FitsBuffer(path, 261));
    EXPECT_TRUE(text936::EqualsNoCase(path.substr(path.size() - 4), ".exe")) << path;
    const auto attributes = files().GetAttributes(path);
    ASSERT_TRUE(attributes.has_value()) << path;
    EXPECT_EQ(*attributes & kAttrDirectory, 0u) << path;
}

TEST_P(FilesContract, TempAndCurrentDirectoriesAreFolders) {
    const std::string temp = files().TempDirectory();
    ASSERT_FALSE(temp.empty());
    EXPECT_NE(temp.back(), '\\') << temp;
    EXPECT_EQ(files().GetAttributes(temp).value_or(0) & kAttrDirectory, kAttrDirectory) << temp;

    const std::string current = files().CurrentDirectory();
    ASSERT_FALSE(current.empty());
    EXPECT_EQ(files().GetAttributes(current).value_or(0) & kAttrDirectory, kAttrDirectory) << current;
}

TEST_P(FilesContract, WholeFilesRoundTripByteForByteWithinTheirLimit) {
    const std::string content = std::string("记录\r\n", 6) + std::string(1, '\0') + "end";
    struct Case {
        std::string name;
        std::size_t maxBytes;
        std::optional<std::string> expected;
    };
    ASSERT_TRUE(files().WriteWholeFile(InScratch("安装记录.txt"), content));
    ASSERT_TRUE(files().CreateDirectory(InScratch("temp")));
    const Case cases[] = {
        {"安装记录.txt", content.size(), content},
        {"安装记录.txt", content.size() - 1, std::nullopt},  // larger than allowed: nothing in part
        {"missing.txt", 100, std::nullopt},
        {"temp", 100, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(files().ReadWholeFile(InScratch(c.name), c.maxBytes), c.expected)
            << c.name << " " << c.maxBytes;
    EXPECT_EQ(backend->ReadFile(InScratch("安装记录.txt")), content);
}

TEST_P(FilesContract, WholeFileWriteReplacesOldContentAndNeedsItsFolder) {
    ASSERT_TRUE(backend->WriteFile(InScratch("Brelix.CFG"), "a much longer old content"));
    EXPECT_TRUE(files().WriteWholeFile(InScratch("Brelix.CFG"), "new"));
    EXPECT_EQ(backend->ReadFile(InScratch("Brelix.CFG")), "new");
    EXPECT_TRUE(files().WriteWholeFile(InScratch("Brelix.CFG"), ""));
    EXPECT_EQ(files().ReadWholeFile(InScratch("Brelix.CFG"), 10), "");
    EXPECT_FALSE(files().WriteWholeFile(InScratch("Missing\\Brelix.CFG"), "x"));
    EXPECT_EQ(ContentOf(files(), backend->ScratchFolder()),
              (std::vector<Entry>{{"Brelix.CFG", kAttrArchive}}));
}

TEST_P(FilesContract, DeletionAtRestartIsAcceptedForWhatExistsAndLeavesItForNow) {
    ASSERT_TRUE(files().CreateDirectory(InScratch("产品")));
    ASSERT_TRUE(backend->WriteFile(InScratch("产品\\Uninstall.exe"), "program"));
    EXPECT_TRUE(files().DeleteAtRestart(InScratch("产品\\Uninstall.exe")));
    EXPECT_TRUE(files().DeleteAtRestart(InScratch("产品")));
    EXPECT_EQ(backend->ReadFile(InScratch("产品\\Uninstall.exe")), "program");
}

}  // namespace contract
