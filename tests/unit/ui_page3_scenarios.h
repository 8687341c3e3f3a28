#pragma once
// Page 3 (installation root, keep options, install) scenarios, run on every dialog host. The
// installation itself runs on the in-memory backend.

#include <string>
#include <vector>

#include "install_test_support.h"
#include "platform/memory/memory_backend.h"
#include "res/resource.h"
#include "tests/unit/ui_page_harness.h"
#include "ui/dlg_page3.h"

namespace page_test {

constexpr char kPathOnlySubtitle[] = "请选择安装路径：";
constexpr char kKeepSubtitle[] = "请选择是否保留配置及安装路径：";
constexpr char kDoneText[] = "安装完成，重启AutoCAD即可使用 !";
constexpr char kCloseAcadText[] = "请关闭AutoCAD后再进行安装 !";
constexpr char kOldProduct[] = "D:\\Old\\Brelix结构工具箱";
constexpr char kNewProduct[] = "D:\\Tools\\Brelix结构工具箱";

// The path and the four keep boxes as the user sees them.
struct KeepView {
    std::string subtitle;
    std::string path;
    // ticked / enabled of 1009 (master), 1010, 1011, 1012
    std::vector<int> ticked;
    std::vector<bool> enabled;
    bool operator==(const KeepView& other) const {
        return subtitle == other.subtitle && path == other.path && ticked == other.ticked &&
               enabled == other.enabled;
    }
};

inline std::ostream& operator<<(std::ostream& out, const KeepView& view) {
    out << "{path \"" << view.path << "\", subtitle of " << view.subtitle.size() << " bytes, ticked";
    for (int tick : view.ticked) {
        out << " " << tick;
    }
    out << ", enabled";
    for (bool enabled : view.enabled) {
        out << " " << enabled;
    }
    return out << "}";
}

inline KeepView SeeKeep(PageDriver& page) {
    KeepView view{page.Text(IDC_PAGE3_SUBTITLE), page.Text(IDC_PAGE3_PATH), {}, {}};
    for (int id : {IDC_PAGE3_KEEP_CONFIG, IDC_PAGE3_KEEP_SETTINGS, IDC_PAGE3_KEEP_SECTION_LIBRARY,
                   IDC_PAGE3_KEEP_DRAWING_LIBRARY}) {
        view.ticked.push_back(page.Checked(id));
        view.enabled.push_back(page.Enabled(id));
    }
    return view;
}

inline KeepView NothingToKeep(const std::string& path) {
    return {kPathOnlySubtitle, path, {0, 0, 0, 0}, {false, false, false, false}};
}

template <class Host>
class Page3Scenarios : public PageFixture<Host> {
  protected:
    // The program on E: beside its Data folder with two product files.
    void StageSource() {
        this->backend.files.SetProgramPath("E:\\Setup\\SetUp.exe");
        this->backend.files.AddFile("E:\\Setup\\SetUp.exe", "program");
        this->backend.files.AddCarriedFile("BRELIXUSER", "MZ user program");
        this->backend.files.AddFile("E:\\Setup\\Data\\Brelix2010.arx", "module 2010");
        this->backend.files.AddFile("E:\\Setup\\Data\\Brelix.dat", "data");
        this->backend.files.AddFolder("D:\\Tools");
        this->backend.files.SetTempDirectory("C:\\Temp");
        this->backend.files.AddFolder("C:\\Temp");
        install_test::StageProgramFiles(this->backend);
    }
    // An earlier installation recorded in the registry, with a settings and a section file.
    void StagePreviousInstallation(bool withSettings = true) {
        this->backend.registry.SetString(platform::RootKey::LocalMachine, "SOFTWARE\\Brelix", "Brelix_Path",
                                         kOldProduct);
        this->backend.files.AddFolder(kOldProduct);
        if (withSettings) {
            this->backend.files.AddFile(std::string(kOldProduct) + "\\User.CFG", "settings");
        }
        this->backend.files.AddFile(std::string(kOldProduct) + "\\Beams.SEC", "sections");
    }
    std::string Record() {
        auto value = this->backend.registry.GetValue(platform::RootKey::LocalMachine, "SOFTWARE\\Brelix",
                                                     "Brelix_Path");
        return value ? value->Text() : std::string("(none)");
    }
    // Installs into D:\Tools over an earlier installation with box `untick` (or none) unticked;
    // the listing of the new product folder.
    std::vector<std::string> ProductAfterInstallWithout(int untick) {
        StageSource();
        StagePreviousInstallation();
        int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
            page.Type(IDC_PAGE3_PATH, "D:\\Tools");
            if (untick) {
                EXPECT_TRUE(page.Click(untick));
            }
            page.Click(IDC_FORWARD);
        });
        EXPECT_EQ(next, 0);
        EXPECT_EQ(PromptTexts(), std::vector<std::string>{kDoneText});
        EXPECT_EQ(Record(), kNewProduct);
        return this->backend.files.List(kNewProduct);
    }
    std::vector<std::string> PromptTexts() {
        std::vector<std::string> texts;
        for (const auto& shown : this->backend.prompts.shown) {
            texts.push_back(shown.text);
        }
        return texts;
    }
};
TYPED_TEST_SUITE_P(Page3Scenarios);

TYPED_TEST_P(Page3Scenarios, FirstRunOffersNoPreservation) {
    KeepView seen;
    bool install = false;
    std::string label;
    int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        seen = SeeKeep(page);
        install = page.Enabled(IDC_FORWARD);
        label = page.Text(IDC_PAGE3_VERSION);
        EXPECT_FALSE(page.Click(IDC_PAGE3_KEEP_CONFIG));
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(seen, NothingToKeep("C:\\Brelix"));
    EXPECT_TRUE(install);
    EXPECT_EQ(label, "Brelix结构工具箱 V2024.3.27 (32位版本)");
    EXPECT_EQ(next, 0);
}

TYPED_TEST_P(Page3Scenarios, EarlierInstallationWithSettingsOffersAllFourBoxes) {
    this->StagePreviousInstallation();
    KeepView seen;
    this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        seen = SeeKeep(page);
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(seen, (KeepView{kKeepSubtitle, "C:\\Brelix", {1, 1, 1, 1}, {true, true, true, true}}));
}

TYPED_TEST_P(Page3Scenarios, EarlierInstallationWithoutSettingsFileOffersNothing) {
    this->StagePreviousInstallation(false);
    KeepView seen;
    this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        seen = SeeKeep(page);
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(seen, NothingToKeep("C:\\Brelix"));
}

TYPED_TEST_P(Page3Scenarios, MasterBoxFollowsItsThreeParts) {
    this->StagePreviousInstallation();
    std::vector<KeepView> seen;
    this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        for (int id :
             {IDC_PAGE3_KEEP_SETTINGS, IDC_PAGE3_KEEP_SECTION_LIBRARY, IDC_PAGE3_KEEP_DRAWING_LIBRARY}) {
            EXPECT_TRUE(page.Click(id));
            seen.push_back(SeeKeep(page));
        }
        EXPECT_TRUE(page.Click(IDC_PAGE3_KEEP_CONFIG));
        seen.push_back(SeeKeep(page));
        EXPECT_TRUE(page.Click(IDC_PAGE3_KEEP_CONFIG));
        seen.push_back(SeeKeep(page));
        page.Click(IDC_CANCEL);
    });
    const std::vector<bool> allEnabled{true, true, true, true};
    const std::vector<bool> partsGreyed{true, false, false, false};
    EXPECT_EQ(seen, (std::vector<KeepView>{
                        {kKeepSubtitle, "C:\\Brelix", {1, 0, 1, 1}, allEnabled},
                        {kKeepSubtitle, "C:\\Brelix", {1, 0, 0, 1}, allEnabled},
                        {kKeepSubtitle, "C:\\Brelix", {0, 0, 0, 0}, partsGreyed},
                        {kKeepSubtitle, "C:\\Brelix", {1, 1, 1, 1}, allEnabled},
                        {kKeepSubtitle, "C:\\Brelix", {0, 0, 0, 0}, partsGreyed},
                    }));
}

TYPED_TEST_P(Page3Scenarios, BrowseTakesTheChosenFolderAndCancelKeepsThePath) {
    this->StagePreviousInstallation();
    this->backend.files.AddFolder("D:\\Tools");
    using platform::memory::BrowserAction;
    this->browser.actions = {{BrowserAction::Type, "D:\\Tools"},
                             {BrowserAction::PressOk, ""},
                             {BrowserAction::Type, "D:\\Elsewhere"},
                             {BrowserAction::Cancel, ""}};
    std::vector<KeepView> seen;
    this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        page.Click(IDC_PAGE3_KEEP_SETTINGS);
        EXPECT_TRUE(page.Click(IDC_PAGE3_BROWSE));
        seen.push_back(SeeKeep(page));
        EXPECT_TRUE(page.Click(IDC_PAGE3_BROWSE));
        seen.push_back(SeeKeep(page));
        page.Click(IDC_CANCEL);
    });
    const std::vector<bool> allEnabled{true, true, true, true};
    // A new root does not repeat the start-up test: the keep options stay as they were.
    EXPECT_EQ(seen, (std::vector<KeepView>{{kKeepSubtitle, "D:\\Tools", {1, 0, 1, 1}, allEnabled},
                                           {kKeepSubtitle, "D:\\Tools", {1, 0, 1, 1}, allEnabled}}));
    ASSERT_EQ(this->browser.requests.size(), 2u);
    EXPECT_EQ(this->browser.requests[0].caption, std::optional<std::string>("请选择安装目录："));
    EXPECT_EQ(this->browser.requests[0].title, "请选择安装目录：");
    EXPECT_EQ(this->browser.requests[0].initialFolder, std::optional<std::string>("C:\\Brelix"));
    EXPECT_EQ(this->browser.requests[1].initialFolder, std::optional<std::string>("D:\\Tools"));
    EXPECT_FALSE(this->backend.files.Exists("D:\\Elsewhere"));
}

TYPED_TEST_P(Page3Scenarios, BackStoresPathAndTicksForTheNextShowing) {
    this->StagePreviousInstallation();
    int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        EXPECT_TRUE(page.Type(IDC_PAGE3_PATH, "D:\\Other"));
        page.Click(IDC_PAGE3_KEEP_SECTION_LIBRARY);
        page.Click(IDC_BACK);
    });
    EXPECT_EQ(next, 2);
    EXPECT_EQ(this->options.installRoot, "D:\\Other");
    EXPECT_EQ(std::vector<int>({this->options.keepConfig, this->options.keepSettings,
                                this->options.keepSectionLibrary, this->options.keepDrawingLibrary}),
              std::vector<int>({1, 1, 0, 1}));
    KeepView again;
    this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        again = SeeKeep(page);
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(again, (KeepView{kKeepSubtitle, "D:\\Other", {1, 1, 0, 1}, {true, true, true, true}}));
}

TYPED_TEST_P(Page3Scenarios, CancelLosesTheChangedPath) {
    for (bool closeBox : {false, true}) {
        int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
            page.Type(IDC_PAGE3_PATH, "D:\\Lost");
            if (closeBox) {
                page.CloseWindow();
            } else {
                page.Click(IDC_CANCEL);
            }
        });
        EXPECT_EQ(next, 0);
        EXPECT_EQ(this->options.installRoot, "C:\\Brelix") << closeBox;
    }
}

TYPED_TEST_P(Page3Scenarios, InstallEndsWithTheCompletionMessage) {
    this->StageSource();
    platform::WindowHandle window = platform::kNoWindow;
    int position = -1;
    bool clicked = false;
    int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        window = page.Handle();
        page.Type(IDC_PAGE3_PATH, "D:\\Tools");
        clicked = page.Click(IDC_FORWARD);
        position = page.ProgressPosition(IDC_PAGE3_PROGRESS);
    });
    EXPECT_TRUE(clicked);
    EXPECT_EQ(next, 0);
    EXPECT_EQ(this->host.UnscriptedCloses(), 0) << "the install button closed the page";
    ASSERT_EQ(this->backend.prompts.shown.size(), 1u);
    EXPECT_EQ(this->backend.prompts.shown[0].text, kDoneText);
    EXPECT_EQ(this->backend.prompts.shown[0].caption, "Brelix安装");
    EXPECT_EQ(this->backend.prompts.shown[0].owner, window);
    EXPECT_EQ(position, 50);
    EXPECT_EQ(this->backend.files.List(kNewProduct),
              (std::vector<std::string>{"Brelix.dat", "Brelix2010.arx", "Brelix扩展绘图库", "temp"}));
    EXPECT_EQ(this->Record(), kNewProduct);
    EXPECT_EQ(this->options.installRoot, "D:\\Tools");
    EXPECT_EQ(std::vector<int>({this->options.keepConfig, this->options.keepSettings,
                                this->options.keepSectionLibrary, this->options.keepDrawingLibrary}),
              std::vector<int>({0, 0, 0, 0}))
        << "nothing was offered, so nothing is kept";
}

TYPED_TEST_P(Page3Scenarios, KeptSettingsAndSectionsComeBackIntoTheNewProductFolder) {
    EXPECT_EQ(this->ProductAfterInstallWithout(0),
              (std::vector<std::string>{"BEAMS.SEC", "Brelix.dat", "Brelix2010.arx", "Brelix扩展绘图库",
                                        "temp", "USER.CFG"}));
}

TYPED_TEST_P(Page3Scenarios, UntickedSettingsAreNotBroughtBack) {
    EXPECT_EQ(
        this->ProductAfterInstallWithout(IDC_PAGE3_KEEP_SETTINGS),
        (std::vector<std::string>{"BEAMS.SEC", "Brelix.dat", "Brelix2010.arx", "Brelix扩展绘图库", "temp"}));
}

TYPED_TEST_P(Page3Scenarios, UntickedSectionLibraryIsNotBroughtBack) {
    EXPECT_EQ(
        this->ProductAfterInstallWithout(IDC_PAGE3_KEEP_SECTION_LIBRARY),
        (std::vector<std::string>{"Brelix.dat", "Brelix2010.arx", "Brelix扩展绘图库", "temp", "USER.CFG"}));
}

TYPED_TEST_P(Page3Scenarios, MissingSourceKeepsThePageOpenAndUnchanged) {
    this->backend.files.SetProgramPath("E:\\Setup\\SetUp.exe");
    this->backend.files.AddFolder("D:\\");
    KeepView before, after;
    bool stillOpen = false;
    int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        page.Type(IDC_PAGE3_PATH, "D:\\Tools");
        before = SeeKeep(page);
        page.Click(IDC_FORWARD);
        after = SeeKeep(page);
        stillOpen = page.Click(IDC_FORWARD);  // the user may press again
        page.Click(IDC_CANCEL);
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(after, before);
    EXPECT_EQ(next, 0);
    ASSERT_EQ(this->backend.prompts.shown.size(), 2u);
    EXPECT_EQ(this->backend.prompts.shown[0].caption, "Brelix软件安装");
    EXPECT_FALSE(this->backend.files.Exists("D:\\Tools")) << "not even the root is created";
    EXPECT_EQ(this->options.installRoot, "C:\\Brelix");
    EXPECT_EQ(this->Record(), "(none)");
}

TYPED_TEST_P(Page3Scenarios, RunningAutoCadIsWarnedAboutOnlyOnce) {
    this->StageSource();
    this->backend.processes.names = {"explorer.exe", "ACAD.EXE"};
    std::vector<std::string> afterFirst;
    int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        page.Type(IDC_PAGE3_PATH, "D:\\Tools");
        page.Click(IDC_FORWARD);
        afterFirst = this->PromptTexts();
        EXPECT_TRUE(page.Click(IDC_FORWARD));
    });
    EXPECT_EQ(afterFirst, std::vector<std::string>{kCloseAcadText});
    EXPECT_EQ(this->PromptTexts(), (std::vector<std::string>{kCloseAcadText, kDoneText}));
    EXPECT_FALSE(this->options.acadCheckPending);
    EXPECT_EQ(next, 0);
    EXPECT_EQ(this->Record(), kNewProduct);
}

TYPED_TEST_P(Page3Scenarios, EmptyRootIsRefusedWithAMessageAndOfferedNoPreservation) {
    this->StageSource();
    this->StagePreviousInstallation();
    int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        page.Type(IDC_PAGE3_PATH, "");
        EXPECT_TRUE(page.Click(IDC_FORWARD));
        EXPECT_TRUE(page.Enabled(IDC_FORWARD)) << "the page stays open";
        page.Click(IDC_BACK);
    });
    EXPECT_EQ(next, 2);
    ASSERT_EQ(this->backend.prompts.shown.size(), 1u);
    EXPECT_NE(this->backend.prompts.shown[0].text.find("完整路径"), std::string::npos);
    EXPECT_EQ(this->Record(), kOldProduct);
    EXPECT_EQ(this->options.installRoot, "");

    KeepView seen;
    this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        seen = SeeKeep(page);
        page.Click(IDC_CANCEL);
    });
    EXPECT_EQ(seen, NothingToKeep(""));
}

TYPED_TEST_P(Page3Scenarios, AbortedCopyEndsTheWizardWithoutStoringThePage) {
    this->StageSource();
    this->backend.failures.Fail(platform::memory::Operation::CopyFile, "*");
    this->backend.prompts.answers = {platform::kIdAbort};
    int next = this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        page.Type(IDC_PAGE3_PATH, "D:\\Tools");
        page.Click(IDC_FORWARD);
    });
    EXPECT_EQ(next, 0);
    EXPECT_EQ(this->host.UnscriptedCloses(), 0) << "the abort closed the page";
    ASSERT_EQ(this->backend.prompts.shown.size(), 2u);
    EXPECT_EQ(this->backend.prompts.shown[0].style & 0xF, platform::kMbAbortRetryIgnore);
    EXPECT_EQ(this->backend.prompts.shown[1].text, "安装已中止。\n\n已恢复原有的文件，没有做任何更改。");
    EXPECT_EQ(this->options.installRoot, "C:\\Brelix");
    EXPECT_EQ(this->Record(), "(none)");
}

TYPED_TEST_P(Page3Scenarios, PathEditKeepsAnOpaqueBackground) {
    std::vector<SeenColour> colours;
    this->template Show<ui::Dlg_Page3>([&](PageDriver& page) {
        for (int id : {IDC_PAGE3_PATH, IDC_PAGE3_VERSION, IDC_PAGE3_KEEP_SECTION_LIBRARY}) {
            colours.push_back(page.ColourOf(id));
        }
        page.Click(IDC_CANCEL);
    });
    ASSERT_EQ(colours.size(), 3u);
    EXPECT_FALSE(colours[0].transparent);
    EXPECT_FALSE(colours[0].labelFont);
    EXPECT_TRUE(colours[1].labelFont);
    EXPECT_EQ(colours[1].text, platform::MakeColour(10, 70, 40));
    EXPECT_TRUE(colours[2].transparent);
    EXPECT_FALSE(colours[2].labelFont) << "1011 is a check box on this page, not the label";
}

REGISTER_TYPED_TEST_SUITE_P(Page3Scenarios,
                            FirstRunOffersNoPreservation,
                            EarlierInstallationWithSettingsOffersAllFourBoxes,
                            EarlierInstallationWithoutSettingsFileOffersNothing,
                            MasterBoxFollowsItsThreeParts,
                            BrowseTakesTheChosenFolderAndCancelKeepsThePath,
                            BackStoresPathAndTicksForTheNextShowing,
                            CancelLosesTheChangedPath,
                            InstallEndsWithTheCompletionMessage,
                            KeptSettingsAndSectionsComeBackIntoTheNewProductFolder,
                            UntickedSettingsAreNotBroughtBack,
                            UntickedSectionLibraryIsNotBroughtBack,
                            MissingSourceKeepsThePageOpenAndUnchanged,
                            RunningAutoCadIsWarnedAboutOnlyOnce,
                            EmptyRootIsRefusedWithAMessageAndOfferedNoPreservation,
                            AbortedCopyEndsTheWizardWithoutStoringThePage,
                            PathEditKeepsAnOpaqueBackground);

}  // namespace page_test
