// The application's page loop: discovery once, then the pages in the order their results choose.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "app/wizard_app.h"
#include "install_test_support.h"
#include "platform/memory/headless_dialog_host.h"
#include "platform/memory/memory_backend.h"
#include "platform/memory/scripted_folder_browser.h"
#include "res/resource.h"
#include "ui/dialog_templates.h"
#include "ui/dlg_page2.h"
#include "ui/wizard_pages.h"

namespace {

using platform::RootKey;
using platform::memory::HeadlessDialog;

constexpr char kAcad2010Key[] = "SOFTWARE\\Autodesk\\AutoCAD\\R18.0\\ACAD-8001:804";

// A page that answers with a scripted successor and logs its life.
class StandInPage : public ui::WizardPage {
  public:
    StandInPage(int number, int next, std::vector<std::string>& log)
        : number_(number), next_(next), log_(log) {
        log_.push_back("make " + std::to_string(number_));
    }
    ~StandInPage() override { log_.push_back("destroy " + std::to_string(number_)); }
    int RunModal() override {
        log_.push_back("run " + std::to_string(number_));
        return 12345;  // a result the loop must not look at
    }
    int NextPage() const override { return next_; }

  private:
    int number_;
    int next_;
    std::vector<std::string>& log_;
};

class WizardLoopTest : public ::testing::Test {
  protected:
    // Stand-in pages that name `successors` in turn.
    ui::PageFactory StandIns(std::deque<int> successors) {
        return [this, successors](int number) mutable -> std::unique_ptr<ui::WizardPage> {
            int next = successors.empty() ? 0 : successors.front();
            if (!successors.empty()) {
                successors.pop_front();
            }
            return std::make_unique<StandInPage>(number, next, log);
        };
    }

    platform::memory::MemoryBackend backend;
    state::AcadInventory inventory;
    state::InstallJournal journal;
    std::vector<std::string> log;
};

TEST_F(WizardLoopTest, PagesFollowTheirSuccessorsUntilZero) {
    app::CWizardApp wizard(backend.registry, backend.environment, inventory, StandIns({2, 1, 2, 3, 0}));
    EXPECT_FALSE(wizard.InitInstance());
    EXPECT_EQ(log, (std::vector<std::string>{"make 1", "run 1", "destroy 1", "make 2", "run 2", "destroy 2",
                                             "make 1", "run 1", "destroy 1", "make 2", "run 2", "destroy 2",
                                             "make 3", "run 3", "destroy 3"}));
}

TEST_F(WizardLoopTest, AnyNumberOutsideOneToThreeEndsTheLoop) {
    for (int successor : {0, 4, -1, 1000}) {
        log.clear();
        app::CWizardApp wizard(backend.registry, backend.environment, inventory, StandIns({2, successor, 1}));
        EXPECT_FALSE(wizard.InitInstance());
        EXPECT_EQ(log,
                  (std::vector<std::string>{"make 1", "run 1", "destroy 1", "make 2", "run 2", "destroy 2"}))
            << successor;
    }
}

TEST_F(WizardLoopTest, PageThatCannotBeMadeEndsTheWizard) {
    int asked = 0;
    app::CWizardApp wizard(backend.registry, backend.environment, inventory,
                           [&](int) -> std::unique_ptr<ui::WizardPage> {
                               ++asked;
                               return nullptr;
                           });
    EXPECT_FALSE(wizard.InitInstance());
    EXPECT_EQ(asked, 1);
}

TEST_F(WizardLoopTest, DiscoveryRunsOnceBeforeTheFirstPage) {
    backend.registry.SetString(RootKey::LocalMachine, kAcad2010Key, "AcadLocation", "C:\\AutoCAD 2010");
    backend.registry.SetString(RootKey::LocalMachine, kAcad2010Key, "ProductName", "AutoCAD 2010");
    const int k2010 = *state::ReleaseIndexOfYear(2010);
    std::vector<std::size_t> seenByPages;
    app::CWizardApp wizard(backend.registry, backend.environment, inventory,
                           [&](int number) -> std::unique_ptr<ui::WizardPage> {
                               seenByPages.push_back(inventory.acadLocations[k2010].size());
                               return std::make_unique<StandInPage>(number, number == 1 ? 2 : 0, log);
                           });
    wizard.InitInstance();
    EXPECT_EQ(seenByPages, (std::vector<std::size_t>{1, 1}));
    EXPECT_EQ(inventory.acadLocations[k2010], std::vector<std::string>{"C:\\AutoCAD 2010"});
}

// A dialog runner that cannot show any dialog.
class FailingRunner : public platform::DialogRunner {
  public:
    int RunModal(int templateId, platform::DialogEvents&, platform::WindowHandle) override {
        attempts.push_back(templateId);
        return -1;
    }
    std::vector<int> attempts;
};

TEST_F(WizardLoopTest, PageDialogThatCannotBeCreatedEndsTheProgram) {
    FailingRunner runner;
    platform::memory::ScriptedFolderBrowser browser;
    state::InstallOptions options;
    ui::WizardContext context{backend.services(), runner, browser, options, inventory, journal};
    app::CWizardApp wizard(backend.registry, backend.environment, inventory, ui::MakeWizardPages(context));
    EXPECT_FALSE(wizard.InitInstance());
    EXPECT_EQ(runner.attempts, std::vector<int>{IDD_PAGE1});
}

// The real pages on the headless host, from the licence to a finished installation.
class WizardRunTest : public WizardLoopTest {
  protected:
    WizardRunTest() {
        runner.onActiveWindow = [this](platform::WindowHandle window) { backend.prompts.active = window; };
        backend.registry.SetString(RootKey::LocalMachine, kAcad2010Key, "AcadLocation", "C:\\AutoCAD 2010");
        backend.registry.SetString(RootKey::LocalMachine, kAcad2010Key, "ProductName", "AutoCAD 2010");
        backend.files.AddFolder("C:\\AutoCAD 2010\\Fonts");
        backend.files.SetProgramPath("E:\\Setup\\SetUp.exe");
        backend.files.AddFile("E:\\Setup\\SetUp.exe", "setup program");
        backend.files.AddCarriedFile("BRELIXUSER", "MZ user program");
        backend.files.AddFile("E:\\Setup\\Data\\Brelix2010.arx", "module 2010");
        backend.files.AddFile("E:\\Setup\\Data\\Brelix_EN.shx", "font EN");
        backend.files.AddFile("E:\\Setup\\Data\\Brelix_HZ.shx", "font HZ");
        install_test::StageProgramFiles(backend);
        backend.files.AddFolder("D:\\");
    }

    void Run() {
        inventory = state::AcadInventory{};
        app::CWizardApp wizard(backend.registry, backend.environment, inventory,
                               ui::MakeWizardPages(context));
        EXPECT_FALSE(wizard.InitInstance());
    }

    platform::memory::HeadlessDialogRunner runner{ui::FindDialogTemplate};
    platform::memory::ScriptedFolderBrowser browser;
    state::InstallOptions options;
    ui::WizardContext context{backend.services(), runner, browser, options, inventory, journal};
};

TEST_F(WizardRunTest, BackAndForthKeepsChoicesAndEndsAfterTheInstallation) {
    const int box2010 = ui::ReleaseBoxId(*state::ReleaseIndexOfYear(2010));
    std::vector<int> box2010Ticks;
    std::vector<std::string> pathsSeen;
    std::vector<std::string> licenceSeen;
    runner.Queue([&](HeadlessDialog& page) {
        page.Click(IDC_PAGE1_NEXT_SCREEN);
        licenceSeen.push_back(page.GetText(IDC_PAGE1_LICENCE));
        EXPECT_TRUE(page.Click(IDC_FORWARD));
    });
    runner.Queue([&](HeadlessDialog& page) {
        box2010Ticks.push_back(page.GetCheck(box2010));
        EXPECT_TRUE(page.Click(IDC_BACK));
    });
    runner.Queue([&](HeadlessDialog& page) {
        // A new page: back on the first screen, with the stored answer.
        licenceSeen.push_back(page.GetText(IDC_PAGE1_LICENCE));
        EXPECT_EQ(page.GetCheck(IDC_PAGE1_AGREE), 1);
        EXPECT_TRUE(page.Click(IDC_FORWARD));
    });
    runner.Queue([&](HeadlessDialog& page) {
        box2010Ticks.push_back(page.GetCheck(box2010));
        EXPECT_TRUE(page.Click(IDC_FORWARD));
    });
    runner.Queue([&](HeadlessDialog& page) {
        pathsSeen.push_back(page.GetText(IDC_PAGE3_PATH));
        page.Type(IDC_PAGE3_PATH, "D:\\Brelix");
        EXPECT_TRUE(page.Click(IDC_BACK));
    });
    runner.Queue([](HeadlessDialog& page) { EXPECT_TRUE(page.Click(IDC_FORWARD)); });
    runner.Queue([&](HeadlessDialog& page) {
        pathsSeen.push_back(page.GetText(IDC_PAGE3_PATH));
        EXPECT_TRUE(page.Click(IDC_FORWARD));
    });
    Run();

    EXPECT_EQ(runner.shownTemplates, (std::vector<int>{IDD_PAGE1, IDD_PAGE2, IDD_PAGE1, IDD_PAGE2, IDD_PAGE3,
                                                       IDD_PAGE2, IDD_PAGE3}));
    EXPECT_EQ(runner.unscriptedCloses, 0);
    EXPECT_EQ(runner.PendingScripts(), 0u);
    EXPECT_EQ(box2010Ticks, (std::vector<int>{1, 1}));
    ASSERT_EQ(licenceSeen.size(), 2u);
    EXPECT_NE(licenceSeen[0], licenceSeen[1]);
    EXPECT_EQ(licenceSeen[1].substr(0, 13), std::string(13, ' ')) << "screen 0 opens with the title line";
    EXPECT_EQ(pathsSeen, (std::vector<std::string>{"C:\\Brelix", "D:\\Brelix"}));
    ASSERT_EQ(backend.prompts.shown.size(), 1u);
    EXPECT_EQ(backend.prompts.shown[0].text, "安装完成，重启AutoCAD即可使用 !");
    EXPECT_TRUE(backend.files.Exists("D:\\Brelix\\Brelix结构工具箱\\Brelix2010.arx"));
    EXPECT_TRUE(backend.registry.KeyExists(RootKey::LocalMachine,
                                           std::string(kAcad2010Key) + "\\Applications\\Brelix2010"));
    EXPECT_EQ(runner.liveBrushes, 0) << "every page released its brush";
}

TEST_F(WizardRunTest, CancelOnAnyPageEndsWithNothingWritten) {
    for (int cancelOn = 1; cancelOn <= 3; ++cancelOn) {
        for (int page = 1; page < cancelOn; ++page) {
            runner.Queue([](HeadlessDialog& dialog) { EXPECT_TRUE(dialog.Click(IDC_FORWARD)); });
        }
        runner.Queue([](HeadlessDialog& dialog) { EXPECT_TRUE(dialog.Click(IDC_CANCEL)); });
        const std::string registryBefore = backend.registry.Dump();
        const std::string filesBefore = backend.files.Dump();
        runner.shownTemplates.clear();
        Run();
        EXPECT_EQ(runner.shownTemplates.size(), static_cast<std::size_t>(cancelOn));
        EXPECT_EQ(backend.files.Dump(), filesBefore) << "cancel on page " << cancelOn;
        EXPECT_EQ(backend.registry.Dump(), registryBefore) << "cancel on page " << cancelOn;
        EXPECT_TRUE(backend.prompts.shown.empty());
    }
}

}  // namespace
