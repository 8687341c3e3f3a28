// Discovery of AutoCAD installations from the registry: which keys count as an installation,
// which release a product name belongs to, and in what order the findings are recorded.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/memory/memory_backend.h"
#include "platform/registry_text.h"
#include "readable_names.h"
#include "state/acad_inventory.h"
#include "tests/unit/acad_test_support.h"

namespace {

using acad_test::Installations;
using platform::RootKey;
using platform::memory::MemoryBackend;
using platform::memory::Operation;
using Lines = std::vector<std::string>;

constexpr char kPlain[] = "SOFTWARE\\Autodesk\\AutoCAD";
constexpr char kWow[] = "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD";

// Searches HKLM\Root as discovery searches a release key, with "P\" as the prefix.
state::AcadInventory::ReleaseFindings SearchRoot(MemoryBackend& backend) {
    state::AcadInventory::ReleaseFindings found;
    auto localMachine = backend.registry.OpenRoot(RootKey::LocalMachine);
    auto root = localMachine ? localMachine->Open("Root", platform::KeyAccess::Read) : nullptr;
    if (root)
        state::AcadInventory::SearchReleaseKey(*root, "", "P\\", true, true, backend.environment, found);
    return found;
}

class AcadDiscoveryTest : public ::testing::Test {
  protected:
    // Both values on the key `root\relative`.
    void AddInstallation(const std::string& root,
                         const std::string& relative,
                         const std::string& location,
                         const std::string& productName) {
        backend.registry.SetString(RootKey::LocalMachine, root + "\\" + relative, "AcadLocation", location);
        backend.registry.SetString(RootKey::LocalMachine, root + "\\" + relative, "ProductName", productName);
    }

    Lines Discover() {
        // The in-memory registry is a 32-bit program's on a 32-bit system, whatever this build is.
        inventory.buildBitness = 32;
        inventory.FindReleases(backend.registry, backend.environment,
                               state::AcadInventory::OtherBuildView::Search);
        return Installations(inventory);
    }

    MemoryBackend backend;
    state::AcadInventory inventory;
};

struct ProductNameCase {
    const char* productName;
    const char* view;  // root the installation is found under
    int expectedYear;  // 0: not recorded
};

class AcadProductNameTest : public AcadDiscoveryTest,
                            public ::testing::WithParamInterface<ProductNameCase> {};

TEST_P(AcadProductNameTest, ClassifiesByFirstTableYearFoundAfterTheFirstByte) {
    const ProductNameCase& c = GetParam();
    AddInstallation(c.view, "R1\\ACAD-1", "C:\\CAD", c.productName);
    const Lines expected =
        c.expectedYear == 0
            ? Lines{}
            : Lines{std::to_string(c.expectedYear) + " " + c.view + "\\R1\\ACAD-1\\ => C:\\CAD"};
    EXPECT_EQ(Discover(), expected) << c.productName;
}

INSTANTIATE_TEST_SUITE_P(
    AcadNames,
    AcadProductNameTest,
    ::testing::Values(ProductNameCase{"AutoCAD 2010 - 简体中文 (Simplified Chinese)", kPlain, 2010},
                      ProductNameCase{"AutoCAD 2004", kPlain, 2004},  // not 2000 nor 2002
                      ProductNameCase{"AutoCAD 2002", kPlain, 2002},
                      ProductNameCase{"AutoCAD 2010 (2008 compatible)", kPlain, 2008},  // table order wins
                      ProductNameCase{"2010 AutoCAD", kPlain, 0},                       // only at the start
                      ProductNameCase{"2008 AutoCAD 2010", kPlain,
                                      2010},                       // the 2008 at byte 0 does not count
                      ProductNameCase{"AutoCAD 2003", kPlain, 0},  // no such release
                      ProductNameCase{"AutoCAD 2026", kPlain, 0},
                      ProductNameCase{"AutoCAD 2025", kPlain, 2025},
                      ProductNameCase{"AutoCAD 2008", kWow, 2008},
                      ProductNameCase{"AutoCAD 2006 二〇〇六", kWow, 2006},
                      ProductNameCase{"AutoCAD 2010", kWow, 0},  // the 32-bit node serves 2006-2009 only
                      ProductNameCase{"AutoCAD 2004", kWow, 0},
                      ProductNameCase{"", kPlain, 0}),
    readable_names::By(&ProductNameCase::productName));

// Release keys are searched side by side; what each found is recorded in the keys' order, and each
// location with the product name of its own key.
TEST_F(AcadDiscoveryTest, RecordsEveryInstallationOfAReleaseInEnumerationOrder) {
    AddInstallation(kPlain, "R18.0\\ACAD-8002:409", "D:\\AutoCAD 2010 EN", "AutoCAD 2010");
    AddInstallation(kPlain, "R18.0\\ACAD-8001:804", "C:\\AutoCAD 2010", "AutoCAD 2010 - 简体中文");
    AddInstallation(kPlain, "R18.2\\ACAD-A002:804", "E:\\AutoCAD 2010", "AutoCAD 2010");
    AddInstallation(kPlain, "R15.0\\ACAD-1:804", "C:\\AutoCAD 2000", "AutoCAD 2000");
    // A location without a product name comes first in its release key.
    backend.registry.SetString(RootKey::LocalMachine, std::string(kPlain) + "\\R18.1\\ACAD-9000:804",
                               "AcadLocation", "C:\\Half");
    AddInstallation(kPlain, "R18.1\\ACAD-9001:804", "C:\\AutoCAD 2011", "AutoCAD 2011");
    AddInstallation(kPlain, "R18.1\\ACAD-9002:804", "C:\\AutoCAD 2012", "AutoCAD 2012");
    // Values may sit deeper than the product key; the whole relative path is recorded.
    AddInstallation(kPlain, "R19.0\\ACAD-B001:804\\Install\\Main", "C:\\AutoCAD 2013", "AutoCAD 2013");
    EXPECT_EQ(Discover(),
              (Lines{
                  "2000 SOFTWARE\\Autodesk\\AutoCAD\\R15.0\\ACAD-1:804\\ => C:\\AutoCAD 2000",
                  "2010 SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\ => C:\\AutoCAD 2010",
                  "2010 SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8002:409\\ => D:\\AutoCAD 2010 EN",
                  "2010 SOFTWARE\\Autodesk\\AutoCAD\\R18.2\\ACAD-A002:804\\ => E:\\AutoCAD 2010",
                  "2011 SOFTWARE\\Autodesk\\AutoCAD\\R18.1\\ACAD-9001:804\\ => C:\\AutoCAD 2011",
                  "2012 SOFTWARE\\Autodesk\\AutoCAD\\R18.1\\ACAD-9002:804\\ => C:\\AutoCAD 2012",
                  "2013 SOFTWARE\\Autodesk\\AutoCAD\\R19.0\\ACAD-B001:804\\Install\\Main\\ => "
                  "C:\\AutoCAD 2013",
              }));
}

// One installation seen through both views (the same key below the AutoCAD key, naming the same
// folder, in any letter case) counts once, as the 32-bit node's; two keys of one view always stay.
TEST_F(AcadDiscoveryTest, AnInstallationSeenThroughBothViewsCountsOnce) {
    AddInstallation(kWow, "R17.1\\ACAD-7001:804", "C:\\AutoCAD 2008", "AutoCAD 2008");
    AddInstallation(kPlain, "r17.1\\acad-7001:804", "c:\\autocad 2008\\", "AutoCAD 2008");
    AddInstallation(kWow, "R17.0\\ACAD-5001:804", "C:\\AutoCAD 2007", "AutoCAD 2007");
    AddInstallation(kPlain, "R17.0\\ACAD-5001:804", "D:\\AutoCAD 2007", "AutoCAD 2007");
    AddInstallation(kPlain, "R17.2\\ACAD-7001:804", "C:\\AutoCAD 2009", "AutoCAD 2009");
    AddInstallation(kPlain, "R17.2\\ACAD-7001:409", "C:\\AutoCAD 2009", "AutoCAD 2009");
    // Each view classifies by its own releases: one key, two releases, both stay offered.
    AddInstallation(kWow, "R17.0\\ACAD-5004:804", "C:\\Dual", "AutoCAD 2004 / 2007");
    AddInstallation(kPlain, "R17.0\\ACAD-5004:804", "C:\\Dual", "AutoCAD 2004 / 2007");
    EXPECT_EQ(Discover(), (Lines{
                              "2004 SOFTWARE\\Autodesk\\AutoCAD\\R17.0\\ACAD-5004:804\\ => C:\\Dual",
                              "2007 SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.0\\ACAD-5001:804\\ => "
                              "C:\\AutoCAD 2007",
                              "2007 SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.0\\ACAD-5004:804\\ => "
                              "C:\\Dual",
                              "2007 SOFTWARE\\Autodesk\\AutoCAD\\R17.0\\ACAD-5001:804\\ => D:\\AutoCAD 2007",
                              "2008 SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-7001:804\\ => "
                              "C:\\AutoCAD 2008",
                              "2009 SOFTWARE\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:409\\ => C:\\AutoCAD 2009",
                              "2009 SOFTWARE\\Autodesk\\AutoCAD\\R17.2\\ACAD-7001:804\\ => C:\\AutoCAD 2009",
                          }));
    EXPECT_TRUE(inventory.unserved.empty()) << "a 32-bit system's 64-bit view is its own view";
}

TEST_F(AcadDiscoveryTest, BothValuesMustBeOnTheSameKey) {
    backend.registry.SetString(RootKey::LocalMachine, std::string(kPlain) + "\\R18.0\\ACAD-8001:804",
                               "AcadLocation", "C:\\AutoCAD 2010");
    backend.registry.SetString(RootKey::LocalMachine,
                               std::string(kPlain) + "\\R18.0\\ACAD-8001:804\\Language", "ProductName",
                               "AutoCAD 2010");
    EXPECT_EQ(Discover(), Lines{});
}

TEST_F(AcadDiscoveryTest, ProductNameOnTheReleaseKeyHidesTheInstallationsBelowIt) {
    AddInstallation(kPlain, "R18.0\\ACAD-8001:804", "C:\\AutoCAD 2010", "AutoCAD 2010");
    backend.registry.SetString(RootKey::LocalMachine, std::string(kPlain) + "\\R18.0", "ProductName",
                               "AutoCAD 2010");
    AddInstallation(kPlain, "R18.1\\ACAD-9001:804", "C:\\AutoCAD 2011", "AutoCAD 2011");
    EXPECT_EQ(Discover(),
              Lines{"2011 SOFTWARE\\Autodesk\\AutoCAD\\R18.1\\ACAD-9001:804\\ => C:\\AutoCAD 2011"});
}

TEST_F(AcadDiscoveryTest, ReleaseKeyHoldingBothValuesIsRecordedWithTheBarePrefix) {
    AddInstallation(kPlain, "R16.2", "C:\\AutoCAD 2006", "AutoCAD 2006");
    AddInstallation(kPlain, "R16.2\\ACAD-4001:804", "C:\\Other", "AutoCAD 2006");
    EXPECT_EQ(Discover(), Lines{"2006 SOFTWARE\\Autodesk\\AutoCAD\\R16.2\\ => C:\\AutoCAD 2006"});
}

// A key whose value is there but cannot be used ends the search of that path: the value of a deeper
// key never stands in for it.
TEST_F(AcadDiscoveryTest, AValueThatCannotBeUsedEndsTheSearchOfItsKey) {
    struct Case {
        const char* what;
        std::uint32_t type;
        std::string data;
        Lines keys;  // what the search finds below "Root"
        Lines values;
    };
    const std::string fits = "C:\\" + std::string(252, 'x');  // 255 bytes and the zero
    const Lines outer{"P\\"};
    const Lines inner{"P\\Inner\\"};
    const Case cases[] = {
        {"fits", platform::kRegSz, fits + '\0', outer, {fits}},
        {"one byte over", platform::kRegSz, fits + "x" + '\0', {}, {}},
        {"fills the buffer with no zero", platform::kRegSz, fits + "x", {}, {}},
        {"far too long", platform::kRegSz, std::string(400, 'x') + '\0', {}, {}},
        {"a number", platform::kRegDword, std::string("\x07\0\0\0", 4), {}, {}},
        {"binary", 3, "C:\\Bin", {}, {}},
        {"a list", 7, std::string("C:\\A\0C:\\B\0\0", 12), {}, {}},
        {"expanded",
         platform::kRegExpandSz,
         std::string("%AcadRoot%\\2010\0", 16),
         outer,
         {"C:\\Program Files\\AutoCAD\\2010"}},
        {"expanded beyond the buffer",
         platform::kRegExpandSz,
         "%Long%" + std::string(240, 'x') + '\0',
         {},
         {}},
    };
    for (const Case& c : cases) {
        MemoryBackend backend;
        backend.environment.Set("ACADROOT", "C:\\Program Files\\AutoCAD");
        backend.environment.Set("Long", std::string(20, 'y'));
        backend.registry.SetValue(RootKey::LocalMachine, "Root", "AcadLocation", c.type, c.data);
        backend.registry.SetString(RootKey::LocalMachine, "Root\\Inner", "AcadLocation", "C:\\Inner");
        const auto found = SearchRoot(backend);
        EXPECT_EQ(found.locations.keys, c.keys) << c.what;
        EXPECT_EQ(found.locations.values, c.values) << c.what;
    }
    // Without a value on the outer key the search goes down to the inner one.
    MemoryBackend backend;
    backend.registry.SetString(RootKey::LocalMachine, "Root\\Inner", "AcadLocation", "C:\\Inner");
    EXPECT_EQ(SearchRoot(backend).locations.keys, inner);
}

TEST_F(AcadDiscoveryTest, ReleaseKeysThatCannotBeReadAreSkipped) {
    AddInstallation(kPlain, "R18.0\\ACAD-8001:804", "C:\\AutoCAD 2010", "AutoCAD 2010");
    AddInstallation(kPlain, "R18.1\\ACAD-9001:804", "C:\\AutoCAD 2011", "AutoCAD 2011");
    AddInstallation(kPlain, "R19.0\\ACAD-B001:804", "C:\\AutoCAD 2013", "AutoCAD 2013");
    backend.failures.Fail(Operation::OpenKey, "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R18.0");
    backend.failures.Fail(Operation::ReadValue, "HKLM\\SOFTWARE\\Autodesk\\AutoCAD\\R18.1\\ACAD-9001:804");
    EXPECT_EQ(Discover(),
              Lines{"2013 SOFTWARE\\Autodesk\\AutoCAD\\R19.0\\ACAD-B001:804\\ => C:\\AutoCAD 2013"});
}

// 130 double-byte characters are a legal key name but 260 bytes in code page 936: the name does
// not fit the 256-byte buffer, so that key is passed over and the next one is still read, among the
// release keys as below them.
TEST_F(AcadDiscoveryTest, KeyWhoseNameDoesNotFitTheBufferIsPassedOver) {
    std::string longName;
    for (int i = 0; i < 130; ++i)
        longName += "键";
    AddInstallation(kPlain, "R18.0\\" + longName, "C:\\Long", "AutoCAD 2010");
    AddInstallation(kPlain, longName + "\\ACAD-1:804", "C:\\Long release", "AutoCAD 2010");
    AddInstallation(kPlain, "R18.0\\ACAD-8001:804\\" + longName, "C:\\Deep", "AutoCAD 2010");
    AddInstallation(kPlain, "R18.1\\ACAD-9001:804", "C:\\AutoCAD 2011", "AutoCAD 2011");
    EXPECT_EQ(Discover(),
              Lines{"2011 SOFTWARE\\Autodesk\\AutoCAD\\R18.1\\ACAD-9001:804\\ => C:\\AutoCAD 2011"});
}

TEST_F(AcadDiscoveryTest, NothingInstalledLeavesEveryListEmpty) {
    backend.registry.CreateKey(RootKey::LocalMachine, kPlain);
    backend.registry.SetString(RootKey::CurrentUser, std::string(kPlain) + "\\R18.0\\ACAD-8001:804",
                               "AcadLocation", "C:\\NotMachineWide");
    EXPECT_EQ(Discover(), Lines{});
    backend.failures.Fail(Operation::OpenKey, "HKLM");
    AddInstallation(kPlain, "R18.0\\ACAD-8001:804", "C:\\AutoCAD 2010", "AutoCAD 2010");
    EXPECT_EQ(Discover(), Lines{}) << "local machine cannot be opened";
}

TEST_F(AcadDiscoveryTest, SearchStopsAtTheHighestKeyHoldingTheValueOnEachPath) {
    backend.registry.SetString(RootKey::LocalMachine, "Root\\A", "AcadLocation", "a");
    backend.registry.SetString(RootKey::LocalMachine, "Root\\A\\Below", "AcadLocation", "hidden");
    backend.registry.SetValue(RootKey::LocalMachine, "Root\\B\\C", "AcadLocation", platform::kRegDword,
                              std::string("\x07\0\0\0", 4));
    backend.registry.SetString(RootKey::LocalMachine, "Root\\B\\C\\Below", "AcadLocation", "hidden too");
    backend.registry.SetString(RootKey::LocalMachine, "Root\\B\\D\\E", "AcadLocation", "e");
    const auto found = SearchRoot(backend);
    // A number is no text: it is not taken, and it still ends the search on its path.
    EXPECT_EQ(found.locations.keys, (Lines{"P\\A\\", "P\\B\\D\\E\\"}));
    EXPECT_EQ(found.locations.values, (Lines{"a", "e"}));
}

// Both values are searched in one walk, yet each value's findings are what a search for it alone
// would give: the walk goes on below a key while the other value is still wanted there.
TEST(AcadReleaseKeySearch, EachValueIsFoundAsASearchOfItsOwnWouldFindIt) {
    const std::string number("\x07\0\0\0", 4);
    struct Value {
        const char* key;  // below HKLM\Root; "" is Root itself
        const char* name;
        std::uint32_t type;
        std::string data;
    };
    struct Case {
        const char* what;
        std::vector<Value> values;
        Lines locationKeys;
        Lines locations;
        Lines nameKeys;
        Lines names;
    };
    const auto text = [](const char* key, const char* name, const char* value) {
        return Value{key, name, platform::kRegSz, std::string(value) + '\0'};
    };
    const Case cases[] = {
        {"values at different depths",
         {text("A", "AcadLocation", "C:\\A"), text("A\\B", "ProductName", "AutoCAD 2010")},
         {"P\\A\\"},
         {"C:\\A"},
         {"P\\A\\B\\"},
         {"AutoCAD 2010"}},
        {"a location on the release key, names on two keys below",
         {text("", "AcadLocation", "C:\\Top"), text("X", "ProductName", "x"), text("Y", "ProductName", "y"),
          text("Y", "AcadLocation", "C:\\Hidden")},
         {"P\\"},
         {"C:\\Top"},
         {"P\\X\\", "P\\Y\\"},
         {"x", "y"}},
        {"an unusable name ends the name search only",
         {Value{"A", "ProductName", platform::kRegDword, number}, text("A\\B", "ProductName", "hidden"),
          text("A\\B", "AcadLocation", "C:\\B")},
         {"P\\A\\B\\"},
         {"C:\\B"},
         {},
         {}},
        {"an unusable location ends the location search only",
         {Value{"A", "AcadLocation", 3, "bin"}, text("A\\B", "AcadLocation", "C:\\hidden"),
          text("A\\B", "ProductName", "b")},
         {},
         {},
         {"P\\A\\B\\"},
         {"b"}},
        {"both on one key, nothing deeper counts",
         {text("A", "AcadLocation", "C:\\A"), text("A", "ProductName", "a"),
          text("A\\B", "AcadLocation", "C:\\B"), text("A\\B", "ProductName", "b"),
          text("C", "AcadLocation", "C:\\C")},
         {"P\\A\\", "P\\C\\"},
         {"C:\\A", "C:\\C"},
         {"P\\A\\"},
         {"a"}},
        {"nothing anywhere",
         {Value{"A\\B", "Other", platform::kRegSz, std::string("v\0", 2)}},
         {},
         {},
         {},
         {}},
    };
    for (const Case& c : cases) {
        MemoryBackend backend;
        backend.registry.CreateKey(RootKey::LocalMachine, "Root");
        for (const Value& v : c.values) {
            const std::string key = *v.key ? std::string("Root\\") + v.key : std::string("Root");
            backend.registry.SetValue(RootKey::LocalMachine, key, v.name, v.type, v.data);
        }
        const auto found = SearchRoot(backend);
        EXPECT_EQ(found.locations.keys, c.locationKeys) << c.what;
        EXPECT_EQ(found.locations.values, c.locations) << c.what;
        EXPECT_EQ(found.productNames.keys, c.nameKeys) << c.what;
        EXPECT_EQ(found.productNames.values, c.names) << c.what;
    }
}

// ---- Which views a search walks, and what it finds there ----

struct WalkCase {
    const char* name;
    int build;
    int system;
    state::AcadInventory::OtherBuildView otherView;
    int plainWalks;  // of HKLM\SOFTWARE\Autodesk\AutoCAD as the system's own view has it
    int nodeWalks;   // of its Wow6432Node: the 32-bit view of a 64-bit Windows
    Lines installations;
    Lines unserved;  // "<year> <bits of that AutoCAD> -> <build serving it, 0: none> <key>"
};

class AcadViewWalkTest : public ::testing::TestWithParam<WalkCase> {};

// A machine with 32-bit AutoCAD 2008 and 2018 and, on 64-bit Windows, a 64-bit AutoCAD 2010: each view
// that exists is walked once, the other build's only when asked for, and an installation that a 32-bit
// build under WOW64 reaches by both paths is the 32-bit node's, once.
TEST_P(AcadViewWalkTest, WalksEachViewThatExistsOnceAndFindsTheSameInstallations) {
    const WalkCase& c = GetParam();
    MemoryBackend backend;
    backend.registry.SetSystemBitness(c.system);
    backend.registry.SetProgramBitness(c.build);
    for (auto [year, bits, key] :
         {std::tuple{2008, 32, "R17.1\\ACAD-7001:804"}, std::tuple{2018, 32, "R22.0\\ACAD-1001:804"},
          std::tuple{2010, 64, "R18.0\\ACAD-8001:804"}}) {
        if (bits == 64 && c.system == 32)
            continue;
        // The tree is the system's own view: 32-bit AutoCAD of a 64-bit Windows lies in the node.
        const std::string path = std::string(c.system == 64 && bits == 32 ? kWow : kPlain) + "\\" + key;
        backend.registry.SetString(RootKey::LocalMachine, path, "AcadLocation",
                                   "C:\\A" + std::to_string(year));
        backend.registry.SetString(RootKey::LocalMachine, path, "ProductName",
                                   "AutoCAD " + std::to_string(year));
    }
    for (const char* root : {kPlain, kWow})
        backend.failures.Watch(Operation::OpenKey, std::string("HKLM\\") + root);
    state::AcadInventory inventory;
    inventory.buildBitness = c.build;
    inventory.FindReleases(backend.registry, backend.environment, c.otherView);

    EXPECT_EQ(backend.failures.Seen(Operation::OpenKey, std::string("HKLM\\") + kPlain), c.plainWalks);
    EXPECT_EQ(backend.failures.Seen(Operation::OpenKey, std::string("HKLM\\") + kWow), c.nodeWalks);
    EXPECT_EQ(Installations(inventory), c.installations);
    Lines unserved;
    for (const auto& found : inventory.unserved) {
        unserved.push_back(std::to_string(state::ReleaseTable()[found.release].year) + " " +
                           std::to_string(found.acadBitness) + " -> " + std::to_string(found.servedBy) + " " +
                           found.key);
    }
    EXPECT_EQ(unserved, c.unserved);
}

const std::string kPlain2008 = std::string(kPlain) + "\\R17.1\\ACAD-7001:804\\";
const std::string kPlain2018 = std::string(kPlain) + "\\R22.0\\ACAD-1001:804\\";
const std::string kPlain2010 = std::string(kPlain) + "\\R18.0\\ACAD-8001:804\\";
const std::string kWow2008 = std::string(kWow) + "\\R17.1\\ACAD-7001:804\\";
const std::string kWow2018 = std::string(kWow) + "\\R22.0\\ACAD-1001:804\\";
constexpr auto kSearch = state::AcadInventory::OtherBuildView::Search;
constexpr auto kSkip = state::AcadInventory::OtherBuildView::Skip;

INSTANTIATE_TEST_SUITE_P(
    Views,
    AcadViewWalkTest,
    ::testing::Values(WalkCase{"Build32OnWindows32",
                               32,
                               32,
                               kSearch,
                               1,
                               0,
                               {"2008 " + kPlain2008 + " => C:\\A2008",
                                "2018 " + kPlain2018 + " => C:\\A2018"},
                               {"2018 32 -> 0 " + kPlain2018}},
                      WalkCase{"Build32OnWindows64Searching",
                               32,
                               64,
                               kSearch,
                               1,
                               1,
                               {"2008 " + kWow2008 + " => C:\\A2008", "2018 " + kPlain2018 + " => C:\\A2018"},
                               {"2010 64 -> 64 " + kPlain2010, "2018 32 -> 0 " + kPlain2018}},
                      WalkCase{"Build32OnWindows64Skipping",
                               32,
                               64,
                               kSkip,
                               0,
                               1,
                               {"2008 " + kWow2008 + " => C:\\A2008", "2018 " + kPlain2018 + " => C:\\A2018"},
                               {"2018 32 -> 0 " + kPlain2018}},
                      WalkCase{"Build64Searching",
                               64,
                               64,
                               kSearch,
                               1,
                               1,
                               {"2008 " + kWow2008 + " => C:\\A2008", "2010 " + kPlain2010 + " => C:\\A2010"},
                               {"2018 32 -> 0 " + kWow2018}},
                      WalkCase{"Build64Skipping",
                               64,
                               64,
                               kSkip,
                               1,
                               1,
                               {"2008 " + kWow2008 + " => C:\\A2008", "2010 " + kPlain2010 + " => C:\\A2010"},
                               {}}),
    readable_names::By(&WalkCase::name));

}  // namespace
