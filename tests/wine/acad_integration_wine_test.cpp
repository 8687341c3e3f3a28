// AutoCAD discovery and integration against the real registry and file system: AutoCAD keys,
// user profiles and "Fonts" folders are staged with the plain Win32 API, the integration runs
// through the Win32 backend, and the outcome is read back with the plain Win32 API again.
// The HKLM and HKCU "SOFTWARE\Autodesk" trees belong to these tests in their prefix; they are
// removed before and after every test, with everything else that was staged.

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/memory/scripted_prompts.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_backend.h"
#include "state/acad_inventory.h"
#include "tests/wine/platform_win32_test_support.h"

namespace {

using Lines = std::vector<std::string>;
using win32test::DeleteFolderTree;
using win32test::FolderNames;

constexpr char kPlain[] = "SOFTWARE\\Autodesk\\AutoCAD";
constexpr char kWow[] = "SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD";
constexpr char kLayers[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\AppCompatFlags\\Layers";

// ---- Staging and inspection with the plain API ----

bool KeyExists(HKEY root, const std::string& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteTree(HKEY root, const std::string& path) {
    RegDeleteTreeA(root, path.c_str());
    RegDeleteKeyA(root, path.c_str());
}

void SetValue(HKEY root,
              const std::string& path,
              const std::string& name,
              DWORD type,
              const std::string& data) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(root, path.c_str(), &key), ERROR_SUCCESS) << path;
    EXPECT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              ERROR_SUCCESS)
        << path << " " << name;
    RegCloseKey(key);
}

void SetString(HKEY root, const std::string& path, const std::string& name, const std::string& text) {
    SetValue(root, path, name, REG_SZ, text + '\0');
}

void SetDword(HKEY root, const std::string& path, const std::string& name, DWORD value) {
    SetValue(root, path, name, REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

// Type and raw bytes of a value, as RegQueryValueExA reports them.
std::optional<std::pair<DWORD, std::string>> GetValue(HKEY root,
                                                      const std::string& path,
                                                      const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<std::pair<DWORD, std::string>> result;
    if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        std::string data(size, '\0');
        if (RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data[0]), &size) ==
            ERROR_SUCCESS) {
            data.resize(size);
            result = std::make_pair(type, data);
        }
    }
    RegCloseKey(key);
    return result;
}

std::pair<DWORD, std::string> Sz(const std::string& text) {
    return {REG_SZ, text + '\0'};
}

std::pair<DWORD, std::string> Dword(DWORD value) {
    return {REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value)};
}

Lines SubkeyNames(HKEY root, const std::string& path) {
    Lines names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

Lines ValueNames(HKEY root, const std::string& path) {
    Lines names;
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}

void MakeFolders(const std::string& path) {
    for (std::size_t pos = path.find('\\', 3); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
        CreateDirectoryA(path.substr(0, pos).c_str(), nullptr);
    }
    CreateDirectoryA(path.c_str(), nullptr);
}

void WriteFileWithAttributes(const std::string& path, const std::string& content, DWORD attributes) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), attributes)) << path;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
    HANDLE file =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::string content;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0)
        content.append(buffer, read);
    CloseHandle(file);
    return content;
}

std::string TempFolder() {
    char buffer[MAX_PATH + 1] = {};
    std::string temp(buffer, GetTempPathA(sizeof buffer, buffer));
    if (!temp.empty() && temp.back() == '\\')
        temp.pop_back();
    return temp;
}

// The real file system, except that the program seems to run from a scratch folder, so that the
// installation source is looked up there.
class ScratchProgramFileSystem : public platform::win32::Win32FileSystem {
  public:
    std::string programPath;
    std::string ProgramPath() override { return programPath; }
};

// ---- Fixture ----

class AcadIntegrationWineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        wowNodeExisted_ = KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node");
        layersExisted_ = KeyExists(HKEY_CURRENT_USER, kLayers);
        RemoveStagedKeys();
        scratch = TempFolder() + "\\BrelixAcadTests-" + std::to_string(GetCurrentProcessId());
        DeleteFolderTree(scratch);
        MakeFolders(scratch);
        files.programPath = scratch + "\\Setup\\SetUp.exe";
        chosen.fill(0);
    }

    void TearDown() override {
        RemoveStagedKeys();
        if (!wowNodeExisted_)
            RegDeleteKeyA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node");
        for (const std::string& name : stagedLayers_) {
            HKEY key = nullptr;
            if (RegOpenKeyExA(HKEY_CURRENT_USER, kLayers, 0, KEY_WRITE, &key) == ERROR_SUCCESS) {
                RegDeleteValueA(key, name.c_str());
                RegCloseKey(key);
            }
        }
        if (!layersExisted_)
            RegDeleteKeyA(HKEY_CURRENT_USER, kLayers);
        DeleteFolderTree(scratch);
        EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk"));
        EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk"));
    }

    static void RemoveStagedKeys() {
        DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Autodesk");
        DeleteTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\Wow6432Node\\Autodesk");
        DeleteTree(HKEY_CURRENT_USER, "SOFTWARE\\Autodesk");
    }

    void StageInstallation(const std::string& root,
                           const std::string& relative,
                           const std::string& location,
                           const std::string& productName) {
        SetString(HKEY_LOCAL_MACHINE, root + "\\" + relative, "AcadLocation", location);
        SetString(HKEY_LOCAL_MACHINE, root + "\\" + relative, "ProductName", productName);
    }

    // A machine with several AutoCAD releases and the traps discovery must not fall into.
    void StageMachine() {
        const std::string name2008 = "AutoCAD 2008 - 简体中文 (Simplified Chinese)";
        StageInstallation(kPlain, "R17.1\\ACAD-7001:804", scratch + "\\AutoCAD 2008", name2008);
        StageInstallation(kWow, "R17.1\\ACAD-7001:804", scratch + "\\AutoCAD 2008", name2008);
        StageInstallation(kPlain, "R18.0\\ACAD-8001:804", scratch + "\\AutoCAD 2010 简体中文",
                          "AutoCAD 2010 - 简体中文 (Simplified Chinese)");
        StageInstallation(kPlain, "R18.0\\ACAD-8002:409", scratch + "\\AutoCAD 2010 EN",
                          "AutoCAD 2010 - English");
        StageInstallation(kPlain, "R18.1\\ACAD-9001:804", scratch + "\\AutoCAD 2011",
                          "AutoCAD 2011 - 简体中文");
        // A release key holding the product name hides the installation below it.
        SetString(HKEY_LOCAL_MACHINE, std::string(kPlain) + "\\R18.2", "ProductName", "AutoCAD 2012");
        StageInstallation(kPlain, "R18.2\\ACAD-A001:804", scratch + "\\AutoCAD 2012", "AutoCAD 2012");
        // A key without the value is searched below; a location too long for the buffer ends the
        // search of its key, so the installation below that one is not taken.
        StageInstallation(kPlain, "R19.0\\ACAD-B001:804\\Inner", scratch + "\\AutoCAD 2013", "AutoCAD 2013");
        SetString(HKEY_LOCAL_MACHINE, std::string(kPlain) + "\\R19.1\\ACAD-D001:804", "AcadLocation",
                  "C:\\" + std::string(300, 'x'));
        StageInstallation(kPlain, "R19.1\\ACAD-D001:804\\Inner", scratch + "\\AutoCAD 2014", "AutoCAD 2014");
        // The two values on different keys, and a year that is no release.
        SetString(HKEY_LOCAL_MACHINE, std::string(kPlain) + "\\R20.0\\ACAD-E001:804", "AcadLocation",
                  "C:\\2015");
        SetString(HKEY_LOCAL_MACHINE, std::string(kPlain) + "\\R20.0\\ACAD-E001:804\\Language", "ProductName",
                  "AutoCAD 2015");
        StageInstallation(kPlain, "R15.9\\ACAD-1:804", "C:\\2003", "AutoCAD 2003");
        StageInstallation(kPlain, "R23.0\\ACAD-2001:804", scratch + "\\AutoCAD 2019",
                          "AutoCAD 2019 - 简体中文");
    }

    void StageLayer(const std::string& folder) {
        const std::string name = folder + "\\acad.exe";
        SetString(HKEY_CURRENT_USER, kLayers, name, "~ WINXPSP3");
        stagedLayers_.push_back(name);
    }

    platform::Services Services() {
        return {backend.registry, files, backend.processes, prompts, backend.environment};
    }

    platform::win32::Win32Backend backend;
    ScratchProgramFileSystem files;
    platform::memory::ScriptedPrompts prompts;  // a real box would wait for a user
    state::AcadInventory inventory;
    state::InstallJournal journal;
    state::ReleaseFlags chosen;
    std::string scratch;

  private:
    bool wowNodeExisted_ = false;
    bool layersExisted_ = false;
    Lines stagedLayers_;
};

// One line per recorded installation: "2010 <key> => <folder>".
Lines Installations(const state::AcadInventory& inventory) {
    Lines lines;
    for (int k = 0; k < state::kReleaseCount; ++k) {
        EXPECT_EQ(inventory.acadKeys[k].size(), inventory.acadLocations[k].size());
        for (std::size_t i = 0; i < inventory.acadKeys[k].size(); ++i) {
            lines.push_back(std::to_string(state::ReleaseTable()[k].year) + " " + inventory.acadKeys[k][i] +
                            " => " + inventory.acadLocations[k][i]);
        }
    }
    return lines;
}

int IndexOf(int year) {
    return *state::ReleaseIndexOfYear(year);
}

// ---- Scenarios ----

TEST_F(AcadIntegrationWineTest, DiscoveryFindsEachInstallationWithItsKeyAndFolder) {
    StageMachine();
    inventory.FindReleases(backend.registry, backend.environment,
                           state::AcadInventory::OtherBuildView::Search);
    EXPECT_EQ(
        Installations(inventory),
        (Lines{
            "2008 SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.1\\ACAD-7001:804\\ => " + scratch +
                "\\AutoCAD 2008",
            "2010 SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804\\ => " + scratch +
                "\\AutoCAD 2010 简体中文",
            "2010 SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8002:409\\ => " + scratch + "\\AutoCAD 2010 EN",
            "2011 SOFTWARE\\Autodesk\\AutoCAD\\R18.1\\ACAD-9001:804\\ => " + scratch + "\\AutoCAD 2011",
            "2013 SOFTWARE\\Autodesk\\AutoCAD\\R19.0\\ACAD-B001:804\\Inner\\ => " + scratch +
                "\\AutoCAD 2013",
            "2019 SOFTWARE\\Autodesk\\AutoCAD\\R23.0\\ACAD-2001:804\\ => " + scratch + "\\AutoCAD 2019",
        }));
}

// A 32-bit program on 64-bit Windows reaches the same keys through both roots: a release of 2006-2009
// staged once is one installation, recorded as the 32-bit node's; elsewhere the roots are apart.
TEST_F(AcadIntegrationWineTest, RedirectionDecidesWhatTheThirtyTwoBitNodeShows) {
    StageInstallation(kPlain, "R17.0\\ACAD-5001:804", "C:\\AutoCAD 2007", "AutoCAD 2007");
    inventory.FindReleases(backend.registry, backend.environment,
                           state::AcadInventory::OtherBuildView::Search);
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    const Lines expected{
        wow64 ? "2007 SOFTWARE\\Wow6432Node\\Autodesk\\AutoCAD\\R17.0\\ACAD-5001:804\\ => C:\\AutoCAD 2007"
              : "2007 SOFTWARE\\Autodesk\\AutoCAD\\R17.0\\ACAD-5001:804\\ => C:\\AutoCAD 2007"};
    EXPECT_EQ(Installations(inventory), expected);
}

TEST_F(AcadIntegrationWineTest, RegistrationWritesEntriesForChosenReleasesAndClearsCompatLayers) {
    StageMachine();
    const std::string key2011 = std::string(kPlain) + "\\R18.1\\ACAD-9001:804";
    SetString(HKEY_LOCAL_MACHINE, key2011 + "\\Applications\\Brelix2011", "DESCRIPTION", "old");
    SetDword(HKEY_LOCAL_MACHINE, key2011 + "\\Applications\\Brelix2011", "LOADCTRLS", 14);
    for (const char* folder :
         {"\\AutoCAD 2008", "\\AutoCAD 2010 简体中文", "\\AutoCAD 2011", "\\AutoCAD 2019"}) {
        StageLayer(scratch + folder);
    }
    StageLayer(scratch + "\\Other");
    inventory.FindReleases(backend.registry, backend.environment,
                           state::AcadInventory::OtherBuildView::Search);
    inventory.targetRoot = "D:\\工具";
    chosen[IndexOf(2008)] = chosen[IndexOf(2011)] = chosen[IndexOf(2019)] = 1;
    auto services = Services();
    inventory.RegisterReleases(services, chosen, journal);

    struct Entry {
        std::string key;
        std::string module;
    };
    const std::vector<Entry> entries = {
        {std::string(kWow) + "\\R17.1\\ACAD-7001:804\\Applications\\Brelix2008", "BRELIX2008.ARX"},
        {key2011 + "\\Applications\\Brelix2011", "BRELIX2010.ARX"},
        {std::string(kPlain) + "\\R23.0\\ACAD-2001:804\\Applications\\Brelix2019", "BRELIX2019.ARX"},
    };
    for (const Entry& entry : entries) {
        EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE, entry.key), (Lines{"LOADCTRLS", "LOADER"})) << entry.key;
        EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, entry.key, "LOADCTRLS"), Dword(2)) << entry.key;
        EXPECT_EQ(GetValue(HKEY_LOCAL_MACHINE, entry.key, "LOADER"),
                  Sz("D:\\工具\\Brelix结构工具箱\\" + entry.module))
            << entry.key;
    }
    // 2008, found through both views, is one installation with one entry (the roots reach one key
    // in a 32-bit program on 64-bit Windows).
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    if (!wow64) {
        EXPECT_EQ(SubkeyNames(HKEY_LOCAL_MACHINE, std::string(kPlain) + "\\R17.1\\ACAD-7001:804"), Lines{});
    }
    EXPECT_EQ(journal.DemandLoadKeys().size(), 3u);
    // Releases that were not chosen get no entry.
    EXPECT_EQ(SubkeyNames(HKEY_LOCAL_MACHINE, std::string(kPlain) + "\\R18.0\\ACAD-8001:804"), Lines{});
    EXPECT_EQ(SubkeyNames(HKEY_LOCAL_MACHINE, std::string(kPlain) + "\\R18.0\\ACAD-8002:409"), Lines{});
    EXPECT_EQ(SubkeyNames(HKEY_LOCAL_MACHINE, std::string(kPlain) + "\\R19.0\\ACAD-B001:804\\Inner"),
              Lines{});
    // 2008, 2010 (found, not chosen) and 2011 lose their layer; 2019 and other programs keep theirs.
    Lines layers = ValueNames(HKEY_CURRENT_USER, kLayers);
    std::sort(layers.begin(), layers.end());
    EXPECT_EQ(layers, (Lines{scratch + "\\AutoCAD 2019\\acad.exe", scratch + "\\Other\\acad.exe"}));
}

TEST_F(AcadIntegrationWineTest, TrustedPathsAreAddedToEveryProfileOfTheUser) {
    const std::string product = std::string(kPlain) + "\\R18.0\\ACAD-8001:804\\Profiles";
    const std::string listed = product + "\\<<未命名配置>>\\Variables";
    const std::string negligible = product + "\\结构\\Variables";
    const std::string present = std::string(kPlain) + "\\R18.0\\ACAD-8002:409\\Profiles\\Std\\Variables";
    const std::string huge = std::string(kPlain) + "\\R19.0\\ACAD-B001:804\\Profiles\\Huge\\Variables";
    const std::string noVariables = std::string(kPlain) + "\\R24.0\\ACAD-4101:804\\Profiles\\New";
    SetString(HKEY_CURRENT_USER, listed, "TRUSTEDPATHS", "x:\\data;y:\\lib");
    SetString(HKEY_CURRENT_USER, negligible, "TRUSTEDPATHS", ";");
    SetString(HKEY_CURRENT_USER, present, "TRUSTEDPATHS", "c:\\brelix\\brelix结构工具箱;e:\\lisp");
    const std::string hugeText = "c:\\" + std::string(13000 - 3, 'h');  // does not fit 13000 bytes
    SetString(HKEY_CURRENT_USER, huge, "TRUSTEDPATHS", hugeText);
    SetString(HKEY_CURRENT_USER, noVariables + "\\General", "ACADDRV", "c:\\drv");
    inventory.targetRoot = "C:\\Brelix";
    inventory.AddTrustedPaths(backend.registry, backend.environment, journal);

    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, listed, "TRUSTEDPATHS"),
              Sz("X:\\DATA;Y:\\LIB;C:\\BRELIX\\BRELIX结构工具箱"));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, negligible, "TRUSTEDPATHS"), Sz("C:\\Brelix\\Brelix结构工具箱"));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, present, "TRUSTEDPATHS"),
              Sz("C:\\BRELIX\\BRELIX结构工具箱;E:\\LISP"));
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, huge, "TRUSTEDPATHS"), Sz(hugeText));
    EXPECT_EQ(SubkeyNames(HKEY_CURRENT_USER, noVariables), (Lines{"General", "Variables"}));
    EXPECT_EQ(ValueNames(HKEY_CURRENT_USER, noVariables + "\\Variables"), Lines{"TRUSTEDPATHS"});
    EXPECT_EQ(GetValue(HKEY_CURRENT_USER, noVariables + "\\Variables", "TRUSTEDPATHS"),
              Sz("C:\\Brelix\\Brelix结构工具箱"));
}

// The read-only targets are only a real obstacle for an unprivileged user: Wine run as root lets
// CopyFileA replace them anyway. Run as an ordinary user (for example through setpriv, with a
// prefix of that user) to see the attribute clearing at work.
TEST_F(AcadIntegrationWineTest, FontsGoIntoTheFontsFolderOfEveryChosenInstallation) {
    StageMachine();
    const std::string data = scratch + "\\Setup\\Data";
    const std::string chinese = scratch + "\\AutoCAD 2010 简体中文\\Fonts";
    const std::string english = scratch + "\\AutoCAD 2010 EN";  // has no "Fonts" folder
    const std::string later = scratch + "\\AutoCAD 2019\\Fonts";
    MakeFolders(data);
    MakeFolders(chinese);
    MakeFolders(english);
    MakeFolders(later);
    WriteFileWithAttributes(data + "\\Brelix_EN.shx", "EN new", FILE_ATTRIBUTE_READONLY);
    WriteFileWithAttributes(data + "\\Brelix_HZ.shx", "HZ new", FILE_ATTRIBUTE_READONLY);
    WriteFileWithAttributes(chinese + "\\Brelix_EN.shx", "EN old", FILE_ATTRIBUTE_READONLY);
    WriteFileWithAttributes(chinese + "\\Brelix_HZ.shx", "HZ old", FILE_ATTRIBUTE_READONLY);
    inventory.FindReleases(backend.registry, backend.environment,
                           state::AcadInventory::OtherBuildView::Search);
    chosen[IndexOf(2010)] = 1;
    chosen[IndexOf(2013)] = 1;  // found, but its folder does not exist
    auto services = Services();
    inventory.DeployFonts(
        services, data,
        [&](const std::string& name) { return services.files.OpenToRead(data + "\\" + name); }, chosen,
        journal);

    EXPECT_EQ(FolderNames(chinese), (Lines{"Brelix_EN.shx", "Brelix_HZ.shx"}));
    // The copies are writable; the sources are only read, and stay read-only.
    for (const std::string& path : {chinese + "\\Brelix_EN.shx", chinese + "\\Brelix_HZ.shx",
                                    data + "\\Brelix_EN.shx", data + "\\Brelix_HZ.shx"}) {
        const DWORD attributes = GetFileAttributesA(path.c_str());
        ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES) << path;
        EXPECT_EQ((attributes & FILE_ATTRIBUTE_READONLY) != 0, path.rfind(data, 0) == 0) << path;
    }
    EXPECT_EQ(ReadWholeFile(chinese + "\\Brelix_EN.shx"), "EN new");
    EXPECT_EQ(ReadWholeFile(chinese + "\\Brelix_HZ.shx"), "HZ new");
    EXPECT_EQ(FolderNames(english), Lines{});
    EXPECT_EQ(FolderNames(later), Lines{});
    EXPECT_EQ(GetFileAttributesA((scratch + "\\AutoCAD 2013").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(AcadIntegrationWineTest, FontsMissingFromTheSourceAreReportedPerInstallationAndNothingIsCopied) {
    StageMachine();
    const std::string fonts = scratch + "\\AutoCAD 2008\\Fonts";
    MakeFolders(fonts);
    inventory.FindReleases(backend.registry, backend.environment,
                           state::AcadInventory::OtherBuildView::Search);
    chosen[IndexOf(2008)] = 1;  // found through both views: one installation, each font reported once
    auto services = Services();
    const std::string data = scratch + "\\Setup\\Data";
    inventory.DeployFonts(
        services, data,
        [&](const std::string& name) { return services.files.OpenToRead(data + "\\" + name); }, chosen,
        journal);
    EXPECT_EQ(FolderNames(fonts), Lines{});
    EXPECT_TRUE(prompts.shown.empty());
    // The error is the open's of the source, whose folder is missing, not a later call's.
    SetLastError(ERROR_PATH_NOT_FOUND);
    const std::string notFound = platform::DescribeSystemError(backend.environment.LastError());
    EXPECT_EQ(journal.Problems(),
              (Lines{
                  "未能复制字体 " + fonts + "\\Brelix_EN.shx" + notFound + "（安装来源中的 " + data +
                      "\\Brelix_EN.shx 是链接、另有名称（硬链接）或无法读取）",
                  "未能复制字体 " + fonts + "\\Brelix_HZ.shx" + notFound + "（安装来源中的 " + data +
                      "\\Brelix_HZ.shx 是链接、另有名称（硬链接）或无法读取）",
              }));
}

}  // namespace
