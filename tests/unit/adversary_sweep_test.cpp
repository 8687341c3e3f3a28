// An ordinary user at work between any two calls of the elevated runs. The elevated program trusts
// only Program Files, HKLM and its running image; the root, the product folder, its drawing library
// and the payload beside SetUp.exe are in every user's hands. For each run (a first installation, a
// repair, an upgrade, the uninstall, and the installation that recovers an upgrade cut off mid-swap),
// before each of its platform calls in turn, the user makes one change of a list; then the run, and a
// following installation and uninstall, must leave the administrators' files alone, record nothing the
// runs did not install, keep another user's file and never be blocked by what the run left (a block
// that the same change also causes when made before or after the run is the change's own).

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/silent_install.h"
#include "files/swap_journal.h"
#include "install/record/install_record.h"
#include "install_test_support.h"
#include "platform/crc32.h"
#include "platform/text936.h"
#include "state/acad_inventory.h"
#include "state/exit_codes.h"
#include "state/install_options.h"
#include "uninstall/uninstall.h"

namespace {

using namespace install_test;

constexpr char kRoot[] = "D:\\Tools";
constexpr char kProduct[] = "D:\\Tools\\Brelix结构工具箱";
constexpr char kLibraryName[] = "Brelix扩展绘图库";
constexpr char kAcadKey[] = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";
constexpr char kAcadFolder[] = "C:\\AutoCAD 2010";
constexpr char kUninstallerPath[] = "C:\\Program Files\\Brelix Setup\\Uninstall.exe";
// The administrators' folder the user's links lead to, and the mark of everything secret in it.
constexpr char kProtected[] = "C:\\Windows\\Protected";
constexpr char kSecret[] = "C:\\Windows\\Protected\\secret.ini";
constexpr char kSecretMark[] = "PROTECTED";
// Another user's file in the product folder: the runs never installed it.
constexpr char kOther[] = "OTHER.DAT";
constexpr char kOtherContent[] = "another user's data";

std::string In(const std::string& folder, const std::string& name) {
    return folder + "\\" + name;
}

const std::string kLibrary = In(kProduct, kLibraryName);
const std::string kTemp = In(kProduct, "temp");
const std::string kSourceLibrary = In(kSource, kLibraryName);

// The payload of each version, paths below Data; the library's file under its folder.
using Payload = std::vector<std::pair<std::string, std::string>>;
const Payload kFirstVersion = {{"Brelix2010.arx", "shipped module 1"},
                               {"USER.CFG", "shipped settings"},
                               {"Brelix_EN.shx", "shipped font"},
                               {"Brelix_HZ.shx", "shipped font"},
                               {In(kLibraryName, "梁.SJY"), "shipped beam 1"}};
const Payload kNewerVersion = {
    {"Brelix2010.arx", "shipped module 2"}, {"USER.CFG", "shipped settings"},
    {"NEW.DAT", "shipped new file 2"},      {"Brelix_EN.shx", "shipped font"},
    {"Brelix_HZ.shx", "shipped font"},      {In(kLibraryName, "梁.SJY"), "shipped beam 2"}};

// Every name either version installs below the product folder, upper-cased.
const std::set<std::string>& ShippedNames() {
    static const std::set<std::string> names = [] {
        std::set<std::string> all;
        for (const Payload* payload : {&kFirstVersion, &kNewerVersion}) {
            for (const auto& [name, content] : *payload)
                all.insert(text936::ToUpper(name));
        }
        return all;
    }();
    return names;
}

// A machine with AutoCAD 2010, a first payload beside the program, the administrators' folder (a
// secret, and folders shaped like the product folder and the payload, whose files carry the shipped
// contents where an uninstall would take them for its own) and another user's file in the product
// folder.
struct Machine {
    explicit Machine(bool openFollowsLinks) {
        StageProgram(backend);
        SetPayload(kFirstVersion);
        files().AddFolder("C:\\Temp");
        files().AddFolder(In(kAcadFolder, "Fonts"));
        backend.registry.SetString(RootKey::LocalMachine, kAcadKey, "AcadLocation", kAcadFolder);
        backend.registry.SetString(RootKey::LocalMachine, kAcadKey, "ProductName", "AutoCAD 2010");
        const std::uint32_t readOnly = platform::kAttrReadOnly | platform::kAttrArchive;
        files().AddFile(kSecret, "PROTECTED secret", readOnly);
        const std::string product = In(In(kProtected, "Root"), "Brelix结构工具箱");
        for (const auto& [name, content] : kFirstVersion)
            files().AddFile(In(product, name), content, readOnly);
        files().AddFile(In(product, "BrelixUser.exe"), "PROTECTED program", readOnly);
        files().AddFile(In(In(product, "temp"), "secret.tmp"), "PROTECTED temp", readOnly);
        for (const auto& [name, content] : kFirstVersion)
            files().AddFile(In(In(kProtected, "Data"), name), "PROTECTED " + content, readOnly);
        files().AddFile(In(kProduct, kOther), kOtherContent);
        files().SetOpenFollowsLinks(openFollowsLinks);

        const int k = *state::ReleaseIndexOfYear(2010);
        options.releaseChosen[k] = 1;
        options.installRoot = kRoot;
        options.keepConfig = options.keepSettings = 1;
        options.keepSectionLibrary = options.keepDrawingLibrary = 1;
        inventory.acadLocations[k] = {kAcadFolder};
        inventory.acadKeys[k] = {kAcadKey};
    }

    platform::memory::MemoryFileSystem& files() { return backend.files; }

    // Data as `payload` ships it, whatever stood there before.
    void SetPayload(const Payload& version) {
        RemoveTree(files(), kSource);
        for (const auto& [name, content] : version)
            files().AddFile(In(kSource, name), content);
        payload = &version;
    }

    // The silent installation's exit code.
    int Install() {
        files().SetProgramPath(kProgram);
        state::InstallJournal journal;
        return app::RunSilentInstall(services, options, inventory, journal);
    }

    // The quiet uninstall's exit code, run from the uninstaller in the setup folder.
    int Uninstall() {
        files().SetProgramPath(kUninstallerPath);
        state::InstallJournal journal;
        return uninstall::RunUninstall(services, journal, true);
    }

    // Whatever stands at `path` goes, a link as a link, as a user deletes a tree.
    static void RemoveTree(platform::memory::MemoryFileSystem& files, const std::string& path) {
        const auto attributes = files.GetAttributes(path);
        if (attributes && (*attributes & platform::kAttrDirectory) &&
            !(*attributes & platform::kAttrReparsePoint)) {
            for (const std::string& name : files.List(path))
                RemoveTree(files, In(path, name));
        }
        if (!files.DeleteName(path))
            files.RemoveDirectory(path);
    }

    MemoryBackend backend;
    platform::Services services = backend.services();
    state::InstallOptions options;
    state::AcadInventory inventory;
    const Payload* payload = nullptr;
};

// ---- The runs ----------------------------------------------------------------------------

struct RunKind {
    const char* name;
    // What comes before the run, with no change.
    std::function<void(Machine&)> before;
    // The run under the user's changes; its exit code.
    std::function<int(Machine&)> run;
};

// The call of an upgrade's installation at which to cut it off mid-swap: the middle of the calls at
// which its journal says it is swapping.
long MidSwapCut() {
    static const long cut = [] {
        std::vector<long> swapping;
        for (long n = 1;; ++n) {
            Machine machine(false);
            machine.Install();
            machine.SetPayload(kNewerVersion);
            const long before = machine.backend.failures.CheckCount();
            machine.backend.failures.StopAtCheck(before + n);
            machine.Install();
            machine.backend.failures.StopAtCheck(0);
            const auto journal = machine.files().ReadFile(files::SwapJournalPath(kSetupFolder, kProduct));
            if (journal && journal->find("PHASE\tSWAPPING") != std::string::npos)
                swapping.push_back(n);
            else if (!swapping.empty() || n > 2000)
                break;
        }
        return swapping.empty() ? 0 : swapping[swapping.size() / 2];
    }();
    return cut;
}

const std::vector<RunKind>& Runs() {
    static const std::vector<RunKind> runs = {
        {"first installation", [](Machine&) {}, [](Machine& m) { return m.Install(); }},
        {"repair", [](Machine& m) { m.Install(); }, [](Machine& m) { return m.Install(); }},
        {"upgrade",
         [](Machine& m) {
             m.Install();
             m.SetPayload(kNewerVersion);
         },
         [](Machine& m) { return m.Install(); }},
        {"uninstall", [](Machine& m) { m.Install(); }, [](Machine& m) { return m.Uninstall(); }},
        {"recovery",
         [](Machine& m) {
             m.Install();
             m.SetPayload(kNewerVersion);
             m.backend.failures.StopAtCheck(m.backend.failures.CheckCount() + MidSwapCut());
             m.Install();
             m.backend.failures.StopAtCheck(0);
         },
         [](Machine& m) { return m.Install(); }},
    };
    return runs;
}

// ---- The user's changes ------------------------------------------------------------------

// One form of a change: it makes the change now, as an ordinary user can; false when nothing could
// be changed at this moment.
struct Variant {
    std::string name;
    bool openFollowsLinks;  // on a machine that opens a final link as Wine does
    std::function<bool(Machine&)> make;
};

// A change of the list, in its forms. Before call n the form n % size is tried first, then the
// following ones on a machine of the same kind, until one can be made: every call meets the change,
// and each form every size-th call at least.
struct Change {
    const char* name;
    std::vector<Variant> variants;
};

// A level moved away and a link to the administrators' folder of its shape put in its place; Windows
// refuses to move a level the run holds (or one with anything held below it).
bool SwapForLink(Machine& m, const std::string& level, const std::string& target) {
    if (!m.files().RenameFolder(level, level + ".moved"))
        return false;
    m.files().AddLink(level, target);
    return true;
}

// The user puts a level swapped for a link back, before the runs that follow the sweep's.
void SwapBack(Machine& m) {
    for (const std::string& level :
         {std::string(kRoot), std::string(kProduct), kLibrary, kTemp, std::string(kSource), kSourceLibrary}) {
        if (m.files().Exists(level + ".moved")) {
            Machine::RemoveTree(m.files(), level);
            m.files().RenameFolder(level + ".moved", level);
        }
    }
}

// The tag of the names the run stages now: from a staged name in the product folder or the library,
// or from the run's journal (the setup folder is every user's to read); "1" before there is one.
std::string CurrentTag(Machine& m) {
    for (const std::string& folder : {std::string(kProduct), kLibrary}) {
        for (const std::string& name : m.files().List(folder)) {
            if (name.rfind("~BX", 0) == 0 && name.find('_') != std::string::npos)
                return name.substr(3, name.find('_') - 3);
        }
    }
    const auto journal = m.files().ReadFile(files::SwapJournalPath(kSetupFolder, kProduct));
    if (journal) {
        const std::size_t at = journal->find("TAG\t");
        if (at != std::string::npos)
            return journal->substr(at + 4, journal->find('\r', at) - at - 4);
    }
    return "1";
}

// The next staged or backup name the run will use in `folder`: the first number not taken yet.
std::string NextTaggedName(Machine& m, const std::string& folder, const char* extension) {
    const std::string tag = CurrentTag(m);
    for (int number = 1;; ++number) {
        const std::string name = "~BX" + tag + "_" + std::to_string(number) + extension;
        if (!m.files().Exists(In(folder, name)))
            return In(folder, name);
    }
}

// A file or a folder (holding a file) of the user's at `path`, in place of a file of that name when
// one can be deleted; nothing where a folder or a file that cannot go stands.
bool Plant(Machine& m, const std::string& path, bool asFolder, const std::string& content) {
    // A missing folder is made first, as the user may: only a link is not gone through.
    const std::string parent = path.substr(0, path.rfind('\\'));
    const auto parentAttributes = m.files().GetAttributes(parent);
    if (parentAttributes && (*parentAttributes & platform::kAttrReparsePoint))
        return false;
    const auto attributes = m.files().GetAttributes(path);
    if (attributes && ((*attributes & platform::kAttrDirectory) || !m.files().DeleteName(path)))
        return false;
    if (asFolder)
        m.files().AddFile(In(path, "planted.txt"), content);
    else
        m.files().AddFile(path, content);
    return true;
}

// A link or a second name for the secret in place of the file at `path`.
enum class LinkKind { Link, HardLink };

bool LinkToSecret(Machine& m, const std::string& path, LinkKind kind) {
    // A missing folder is made first, as the user may: only a link is not gone through.
    const std::string parent = path.substr(0, path.rfind('\\'));
    const auto parentAttributes = m.files().GetAttributes(parent);
    if (parentAttributes && (*parentAttributes & platform::kAttrReparsePoint))
        return false;
    if (m.files().GetAttributes(path) && !m.files().DeleteName(path))
        return false;
    if (kind == LinkKind::Link)
        m.files().AddLink(path, kSecret, false);
    else
        m.files().AddHardLink(path, kSecret);
    return true;
}

// What a swap journal of an earlier build, or one of ours, would say of another user's OTHER.DAT:
// a new file in place, with its right size and CRC-32, and a half-done change of it.
std::string JournalNamingOther(Machine& m) {
    files::SwapJournal journal;
    journal.productFolder = kProduct;
    journal.tag = CurrentTag(m);
    journal.phase = files::SwapPhase::Swapping;
    journal.entries.push_back({files::SwapFolder::Product, files::OldFile::File, kOther,
                               "~BX" + journal.tag + "_9.NEW", "~BX" + journal.tag + "_9.OLD"});
    journal.installed.push_back({kOther, std::string(kOtherContent).size(), platform::Crc32(kOtherContent)});
    return files::FormatJournal(journal);
}

std::string RecordNamingOther() {
    install::InstallRecord record;
    record.productFolder = kProduct;
    record.files.push_back({kOther, std::string(kOtherContent).size(), platform::Crc32(kOtherContent)});
    return install::FormatRecord(record);
}

const std::vector<Change>& Changes() {
    static const std::vector<Change> changes = [] {
        std::vector<Change> all;
        const std::string shapedProduct = In(In(kProtected, "Root"), "Brelix结构工具箱");

        // 1. A level the run does not hold replaced by a link to the administrators' folder of its shape.
        Change swapped{"a level swapped for a link", {}};
        const std::vector<std::tuple<const char*, std::string, std::string>> levels = {
            {"the root", kRoot, In(kProtected, "Root")},
            {"the product folder", kProduct, shapedProduct},
            {"the drawing library", kLibrary, In(shapedProduct, kLibraryName)},
            {"the temp subfolder", kTemp, In(shapedProduct, "temp")},
            {"Data", kSource, In(kProtected, "Data")},
            {"Data's drawing library", kSourceLibrary, In(In(kProtected, "Data"), kLibraryName)},
        };
        for (const bool wine : {false, true}) {
            for (const auto& [name, level, target] : levels) {
                swapped.variants.push_back(
                    {std::string(name) + " swapped for a link" + (wine ? ", opened as Wine does" : ""), wine,
                     [level = level, target = target](Machine& m) { return SwapForLink(m, level, target); }});
            }
        }
        all.push_back(std::move(swapped));

        // 2. The drawing library (the product's, the payload's) renamed, or emptied and removed.
        Change library{"a drawing library removed or renamed", {}};
        for (const auto& [folder, owner] : {std::pair<std::string, const char*>{kLibrary, "the product's"},
                                            std::pair<std::string, const char*>{kSourceLibrary, "Data's"}}) {
            library.variants.push_back(
                {std::string(owner) + " drawing library renamed", false,
                 [folder](Machine& m) { return m.files().RenameFolder(folder, folder + ".renamed"); }});
            library.variants.push_back(
                {std::string(owner) + " drawing library emptied and removed", false, [folder](Machine& m) {
                     bool changed = false;
                     for (const std::string& name : m.files().List(folder))
                         changed = m.files().DeleteName(In(folder, name)) || changed;
                     return m.files().RemoveDirectory(folder) || changed;
                 }});
        }
        all.push_back(std::move(library));

        // 3. Names the run uses planted as the user's file or folder.
        Change planted{"a name the run uses planted", {}};
        const std::vector<std::pair<std::string, std::function<std::string(Machine&)>>> names = {
            {"the next staged .NEW name in the product folder",
             [](Machine& m) { return NextTaggedName(m, kProduct, ".NEW"); }},
            {"the next backup .OLD name in the product folder",
             [](Machine& m) { return NextTaggedName(m, kProduct, ".OLD"); }},
            {"the next staged .NEW name in the library",
             [](Machine& m) { return NextTaggedName(m, kLibrary, ".NEW"); }},
            {"~BrelixSetup.swp", [](Machine&) { return In(kProduct, "~BrelixSetup.swp"); }},
            {"~BrelixSetup.swp.new", [](Machine&) { return In(kProduct, "~BrelixSetup.swp.new"); }},
            {"BrelixUser.exe", [](Machine&) { return In(kProduct, "BrelixUser.exe"); }},
            {"the product's Brelix2010.arx", [](Machine&) { return In(kProduct, "Brelix2010.arx"); }},
            {"the product's NEW.DAT", [](Machine&) { return In(kProduct, "NEW.DAT"); }},
            {"the product's temp", [](Machine&) { return kTemp; }},
            {"the library's 梁.SJY", [](Machine&) { return In(kLibrary, "梁.SJY"); }},
            {"Data's Brelix2010.arx", [](Machine&) { return In(kSource, "Brelix2010.arx"); }},
        };
        for (const bool asFolder : {false, true}) {
            for (const auto& [name, path] : names) {
                planted.variants.push_back(
                    {name + (asFolder ? " planted as a folder" : " planted as a file"), false,
                     [asFolder, path](Machine& m) { return Plant(m, path(m), asFolder, "the user's"); }});
            }
        }
        all.push_back(std::move(planted));

        // 4. A file of the product folder or of Data replaced by a link or a second name of the secret.
        Change linked{"a file replaced by a link to the secret", {}};
        for (const auto& [kind, wine, how] :
             {std::tuple{LinkKind::Link, false, " replaced by a link"},
              std::tuple{LinkKind::HardLink, false, " replaced by a hard link"},
              std::tuple{LinkKind::Link, true, " replaced by a link, opened as Wine does"}}) {
            for (const std::string& path :
                 {In(kProduct, "Brelix2010.arx"), In(kProduct, "USER.CFG"), In(kLibrary, "梁.SJY"),
                  In(kSource, "Brelix2010.arx"), In(kSourceLibrary, "梁.SJY")}) {
                linked.variants.push_back({path + how, wine, [path, kind = kind](Machine& m) {
                                               return LinkToSecret(m, path, kind);
                                           }});
            }
        }
        all.push_back(std::move(linked));

        // 5. A journal or a record naming another user's file, under names the run might read.
        Change journal{"a journal naming OTHER.DAT", {}};
        const std::string ourJournalName =
            files::SwapJournalPath(kProduct, kProduct).substr(std::string(kProduct).size() + 1);
        for (const std::string& name :
             {std::string("~BrelixSetup.swp"), std::string("~BrelixSetup.swp.new"), ourJournalName}) {
            journal.variants.push_back(
                {"a journal naming OTHER.DAT as " + name + " in the product folder", false,
                 [name](Machine& m) { return Plant(m, In(kProduct, name), false, JournalNamingOther(m)); }});
        }
        journal.variants.push_back({"a record naming OTHER.DAT in the product folder", false, [](Machine& m) {
                                        return Plant(m, In(kProduct, install::kInstallRecordName), false,
                                                     RecordNamingOther());
                                    }});
        all.push_back(std::move(journal));
        return all;
    }();
    return changes;
}

// ---- The outcome -------------------------------------------------------------------------

// The administrators' folder in a dump, a second name of a file aside (the user's own doing).
std::string ProtectedLines(const std::string& dump) {
    std::istringstream all(dump);
    std::string lines;
    for (std::string line; std::getline(all, line);) {
        if (line.rfind(kProtected, 0) != 0)
            continue;
        const std::size_t hardLink = line.find(" (hard link)");
        lines += (hardLink == std::string::npos ? line : line.substr(0, hardLink)) + "\n";
    }
    return lines;
}

// What went wrong with the outcome; empty when nothing did. With `final`, another user's OTHER.DAT
// must still be there (where the user may have moved the product folder).
std::string Faults(Machine& m, const std::string& protectedBefore, const char* when, bool final) {
    std::string faults;
    const std::string dump = m.files().Dump();
    if (ProtectedLines(dump) != protectedBefore)
        faults += std::string(when) + ": the administrators' folder changed\n";
    std::istringstream all(dump);
    bool otherSurvives = false;
    for (std::string line; std::getline(all, line);) {
        // A second name the user gave the secret shows its content: that is no copy.
        if (line.rfind(kProtected, 0) != 0 && line.find(kSecretMark) != std::string::npos &&
            line.find(" (hard link)") == std::string::npos)
            faults += std::string(when) + ": protected content read into " + line + "\n";
        otherSurvives =
            otherSurvives || (line.rfind("D:\\", 0) == 0 &&
                              line.find(std::string("\\") + kOther + " [") != std::string::npos &&
                              line.find(std::string("\"") + kOtherContent + "\"") != std::string::npos);
    }
    if (final && !otherSurvives)
        faults += std::string(when) + ": OTHER.DAT is gone\n";
    const auto record = install::ReadInstallRecord(m.files(), kSetupFolder);
    if (record) {
        std::vector<files::RecordedFile> recorded = record->files;
        for (const install::EarlierFolder& earlier : record->earlierFolders)
            recorded.insert(recorded.end(), earlier.files.begin(), earlier.files.end());
        for (const files::RecordedFile& file : recorded) {
            if (ShippedNames().count(text936::ToUpper(file.path)) == 0)
                faults += std::string(when) + ": the record names " + file.path + "\n";
        }
    }
    const auto journalText = m.files().ReadFile(files::SwapJournalPath(kSetupFolder, kProduct));
    const auto journal = journalText ? files::ParseJournal(*journalText) : std::nullopt;
    if (journal) {
        for (const files::RecordedFile& file : journal->installed) {
            if (ShippedNames().count(text936::ToUpper(file.path)) == 0)
                faults += std::string(when) + ": the swap journal names " + file.path + "\n";
        }
    }
    return faults;
}

// The runs that follow the sweep's, with no change: an installation, then the uninstall.
struct Next {
    int installed = 0;
    int uninstalled = 0;
    std::string faults;

    bool Blocked() const {
        return (installed != state::kExitInstalled && installed != state::kExitWithProblems) ||
               (uninstalled != uninstall::kUninstalled && uninstalled != uninstall::kUninstalledWithProblems);
    }
};

// The user first puts back a level swapped for a link, and Data as shipped: what can still block the
// next runs is what the runs and the user's other changes left.
Next RunNext(Machine& m, const std::string& protectedBefore) {
    SwapBack(m);
    m.SetPayload(*m.payload);
    Next next;
    next.installed = m.Install();
    next.faults = Faults(m, protectedBefore, "after the next installation", false);
    next.uninstalled = m.Uninstall();
    next.faults += Faults(m, protectedBefore, "after the next uninstall", true);
    return next;
}

// The next runs depend only on the machine they start on: many sweeps end on the same one.
using NextRuns = std::map<std::string, Next>;

// One change before call `n` of `run` (counted from the run's first call), then the whole outcome;
// what went wrong, empty when nothing did. `made` names the form made, empty when none could be.
std::string Sweep(const RunKind& run, const Change& change, long n, NextRuns& seen, std::string& made) {
    const std::size_t first = static_cast<std::size_t>(n) % change.variants.size();
    const bool wine = change.variants[first].openFollowsLinks;
    Machine m(wine);
    const std::string protectedBefore = ProtectedLines(m.files().Dump());
    run.before(m);
    const long start = m.backend.failures.CheckCount();
    bool acted = false;
    const Variant* form = nullptr;
    m.backend.failures.BeforeEveryCheck([&](long number) {
        if (acted || number != start + n)
            return;
        acted = true;
        for (std::size_t i = 0; i < change.variants.size() && !form; ++i) {
            const Variant& variant = change.variants[(first + i) % change.variants.size()];
            if (variant.openFollowsLinks == wine && variant.make(m))
                form = &variant;
        }
        // Nothing changed: the run goes on as the clean one, which is checked on its own; cut it off.
        if (!form)
            m.backend.failures.StopAtCheck(number);
    });
    run.run(m);
    m.backend.failures.BeforeEveryCheck(nullptr);
    m.backend.failures.StopAtCheck(0);
    made = form ? form->name : "";
    if (!form)
        return "";

    std::string faults = Faults(m, protectedBefore, "after the run", false);
    const std::string key = std::to_string(wine) + m.files().Dump() + m.backend.registry.Dump();
    auto known = seen.find(key);
    if (known == seen.end())
        known = seen.emplace(key, RunNext(m, protectedBefore)).first;
    const Next& next = known->second;
    faults += next.faults;
    if (next.Blocked()) {
        // The same change made before the run or after it: when either blocks the next installation
        // alike, it is the change that blocks it (a folder where a shipped file goes, a file to keep in
        // a folder with no record), not what the run left. An uninstall after a blocked installation
        // may find nothing to uninstall.
        bool alike = false;
        for (const bool before : {true, false}) {
            Machine control(wine);
            run.before(control);
            const bool controlMade = before && form->make(control);
            run.run(control);
            if ((before ? controlMade : form->make(control)) && !alike) {
                const Next controlNext = RunNext(control, protectedBefore);
                alike = controlNext.installed == next.installed &&
                        (controlNext.uninstalled == next.uninstalled ||
                         next.uninstalled == uninstall::kNothingToUninstall);
            }
        }
        if (!alike) {
            faults += "the next installation ended with " + std::to_string(next.installed) +
                      ", the next uninstall with " + std::to_string(next.uninstalled) +
                      "; the same change before or after the run does not block them so\n";
        }
    }
    return faults;
}

// The platform calls of a run with no change.
long CallsOf(const RunKind& run) {
    Machine m(false);
    run.before(m);
    const long start = m.backend.failures.CheckCount();
    run.run(m);
    return m.backend.failures.CheckCount() - start;
}

// Every change, every call of `run`; the faults found, for each form that shows one the first call
// and how many calls in all. `changed` counts the sweeps that changed something.
std::string SweepRun(const RunKind& run, int& changed) {
    std::string report;
    NextRuns seen;
    const long calls = CallsOf(run);
    for (const Change& change : Changes()) {
        std::map<std::string, std::pair<std::string, int>> failed;  // by form: the first, the count
        for (long n = 1; n <= calls; ++n) {
            std::string made;
            const std::string faults = Sweep(run, change, n, seen, made);
            changed += made.empty() ? 0 : 1;
            if (faults.empty())
                continue;
            auto& [first, count] = failed[made];
            if (count++ == 0)
                first = std::string(run.name) + ", " + made + ", before call " + std::to_string(n) + ":\n" +
                        faults;
        }
        for (const auto& [form, found] : failed)
            report += found.first + "  (" + std::to_string(found.second) + " calls in all)\n";
    }
    return report;
}

// The runs with no change at all: the outcome the sweep's checks ask of every run.
TEST(AdversarySweep, TheRunsWithNoChangeMeetEveryCheck) {
    ASSERT_GT(MidSwapCut(), 0);
    for (const RunKind& run : Runs()) {
        Machine m(false);
        const std::string protectedBefore = ProtectedLines(m.files().Dump());
        run.before(m);
        EXPECT_EQ(run.run(m), 0) << run.name;
        EXPECT_EQ(Faults(m, protectedBefore, run.name, false), "");
        const Next next = RunNext(m, protectedBefore);
        EXPECT_EQ(next.installed, state::kExitInstalled) << run.name;
        EXPECT_EQ(next.uninstalled, uninstall::kUninstalled) << run.name;
        EXPECT_EQ(next.faults, "") << run.name;
    }
}

// One sweep for each run, so that they can run side by side.
class AdversarySweepOf : public ::testing::TestWithParam<std::size_t> {};

TEST_P(AdversarySweepOf, NoChangeOfAnOrdinaryUserBetweenTwoCallsReachesTheAdministratorsOrBlocksTheNextRun) {
    const RunKind& run = Runs()[GetParam()];
    int changed = 0;
    EXPECT_EQ(SweepRun(run, changed), "");
    std::printf("adversary sweep, %s: %ld calls x %zu changes, %d runs with a change\n", run.name,
                CallsOf(run), Changes().size(), changed);
}

std::string RunName(const ::testing::TestParamInfo<std::size_t>& info) {
    static const char* const names[] = {"FirstInstallation", "Repair", "Upgrade", "Uninstall", "Recovery"};
    return names[info.param];
}

INSTANTIATE_TEST_SUITE_P(Runs, AdversarySweepOf, ::testing::Range<std::size_t>(0, 5), RunName);

}  // namespace
