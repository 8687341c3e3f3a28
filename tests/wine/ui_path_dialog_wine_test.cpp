// The folder picker on the real system: folders created on disk with Chinese names, and the real
// shell browser driven from a second thread as a user would (type into our edit box, click OK or
// Cancel), with the message boxes answered by the scripted prompts.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "platform/memory/scripted_prompts.h"
#include "platform/win32/win32_api.h"

#include <shlobj.h>

#include "platform/win32/win32_files.h"
#include "platform/win32/win32_folder_browser.h"
#include "tests/wine/platform_win32_test_support.h"
#include "tests/wine/test_thread.h"
#include "ui/path_dialog.h"

namespace {

using platform::memory::ScriptedPrompts;
using platform::win32::kBrowserPathEditId;
using platform::win32::kBrowserStatusId;
using platform::win32::kBrowserTreeId;
using platform::win32::Win32FileSystem;
using platform::win32::Win32FolderBrowser;
using ui::CPathDialog;

const std::string kTrailBackslash = "\xB0\x5C";  // 癨: its second byte is "\"

// Where the browser opens. Not the scratch folder: Wine's browser may miss the selection of a folder
// that was made (or deleted and made again) just before.
const char* const kStartFolder = "C:\\windows";

std::string PickerRoot() {
    return win32test::ScratchFolderRoot() + "\\选择器";
}

bool IsFolder(const std::string& path) {
    return GetFileAttributesA(path.c_str()) == FILE_ATTRIBUTE_DIRECTORY;
}

std::string MissingDrive() {
    DWORD drives = GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter) {
        if ((drives & (1u << (letter - 'A'))) == 0) {
            return std::string(1, letter) + ":";
        }
    }
    return "";
}

class PickerOnDisk : public testing::Test {
  protected:
    void SetUp() override {
        win32test::DeleteFolderTree(PickerRoot());
        ASSERT_TRUE(win32test::CreateFolderPath(PickerRoot()));
    }
    void TearDown() override { win32test::DeleteFolderTree(PickerRoot()); }

    Win32FileSystem files;
};

TEST_F(PickerOnDisk, CreatesNestedChineseFoldersLevelByLevel) {
    const std::string path = PickerRoot() + "\\结构工具箱\\工" + kTrailBackslash + "\\新建 文件夹";
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, path, true), 0);
    EXPECT_TRUE(win32test::FolderNames(PickerRoot()).empty()) << "checking created something";

    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, path, false), 0);
    EXPECT_EQ(win32test::FolderNames(PickerRoot()), std::vector<std::string>{"结构工具箱"});
    // The double-byte character whose second byte is "\" stays one name.
    EXPECT_EQ(win32test::FolderNames(PickerRoot() + "\\结构工具箱"),
              std::vector<std::string>{"工" + kTrailBackslash});
    EXPECT_EQ(win32test::FolderNames(PickerRoot() + "\\结构工具箱\\工" + kTrailBackslash),
              std::vector<std::string>{"新建 文件夹"});
    EXPECT_TRUE(IsFolder(path));
}

TEST_F(PickerOnDisk, ExistingLevelsAreNoError) {
    ASSERT_TRUE(CreateDirectoryA((PickerRoot() + "\\已有").c_str(), nullptr));
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, PickerRoot() + "\\已有\\新", false), 0);
    EXPECT_EQ(win32test::FolderNames(PickerRoot() + "\\已有"), std::vector<std::string>{"新"});
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, PickerRoot() + "\\已有\\新", false), 0);
}

TEST_F(PickerOnDisk, AFileInTheWayCannotBeCreatedThrough) {
    ASSERT_TRUE(win32test::WriteWholeFile(PickerRoot() + "\\文件.txt", "x"));
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, PickerRoot() + "\\文件.txt\\子", false), 2);
    EXPECT_EQ(win32test::FolderNames(PickerRoot()), std::vector<std::string>{"文件.txt"});
}

TEST_F(PickerOnDisk, InvalidPathsCreateNothing) {
    for (const std::string& path :
         {PickerRoot() + "\\a\\", PickerRoot() + "\\a.\\b", PickerRoot() + "\\ a\\b",
          PickerRoot() + "\\a\\b?", PickerRoot() + "\\a\\\\b"}) {
        EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, path, false), 1) << path;
    }
    EXPECT_TRUE(win32test::FolderNames(PickerRoot()).empty());
}

TEST_F(PickerOnDisk, DriveRoots) {
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, "C:\\", false), 0);
    const std::string missing = MissingDrive();
    ASSERT_FALSE(missing.empty());
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, missing + "\\", true), 0);
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, missing + "\\", false), 2);
    EXPECT_EQ(CPathDialog::CheckOrCreatePath(files, missing + "\\Brelix", false), 2);
}

TEST_F(PickerOnDisk, ConfirmFolderAsksThenCreatesWithTheProgramNameAsCaption) {
    ScriptedPrompts prompts;
    prompts.answers = {platform::kIdYes};
    const std::string path = PickerRoot() + "\\Brelix";
    EXPECT_EQ(CPathDialog::ConfirmFolder(files, prompts, 0, path), 0);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              "The folder:\n\n" + path + "\n\ndoes not exist. Do you want the folder to be created?");
    EXPECT_EQ(prompts.shown[0].caption, "wine_tests");
    EXPECT_TRUE(IsFolder(path));
}

// ---------------------------------------------------------------------------------------------
// The real browser

// What the driving thread saw; read by the test after the browser closed.
struct Observations {
    HWND browser = nullptr;
    bool statusHidden = false;
    bool editVisible = false;
    RECT edit{};
    RECT tree{};
    std::string initialEditText;
    std::vector<std::string> editTexts;  // after each step that changes it
    std::vector<bool> okEnabled;         // after each step
    bool focusInEditAfterRefusal = false;
};

HWND WaitFor(const std::function<HWND()>& find) {
    for (int attempt = 0; attempt < 200; ++attempt) {
        if (HWND window = find()) {
            return window;
        }
        Sleep(50);
    }
    return nullptr;
}

std::string WindowText(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// Runs `script` on a second thread once the browser with `caption` is open and set up; closes the
// browser afterwards if the script left it open, so that a failed expectation cannot hang the test.
class BrowserDriver {
  public:
    BrowserDriver(std::string caption, std::function<void(HWND, Observations&)> script)
        : caption_(std::move(caption)), uiThread_(GetCurrentThreadId()) {
        thread_.Start([this, script] {
            HWND browser = WaitFor([this] {
                HWND window = FindWindowA("#32770", caption_.c_str());
                return window != nullptr && IsWindowVisible(window) ? window : nullptr;
            });
            if (browser == nullptr) {
                return;
            }
            // Set up once our edit box exists and the start folder's selection has filled it.
            HWND edit = WaitFor([browser] {
                HWND window = GetDlgItem(browser, kBrowserPathEditId);
                return window != nullptr && GetWindowTextLengthA(window) > 0 ? window : nullptr;
            });
            seen.browser = browser;
            seen.statusHidden = !IsWindowVisible(GetDlgItem(browser, kBrowserStatusId));
            seen.editVisible = edit != nullptr && IsWindowVisible(edit);
            GetWindowRect(edit, &seen.edit);
            GetWindowRect(GetDlgItem(browser, kBrowserTreeId), &seen.tree);
            seen.initialEditText = WindowText(edit);
            script(browser, seen);
            Sleep(200);
            if (IsWindow(browser)) {
                PostMessageA(browser, WM_COMMAND, IDCANCEL, 0);
            }
        });
    }
    ~BrowserDriver() {
        if (thread_.joinable()) {
            thread_.join();
        }
    }
    void Join() { thread_.join(); }

    DWORD uiThread() const { return uiThread_; }
    Observations seen;

  private:
    std::string caption_;
    DWORD uiThread_;
    TestThread thread_;
};

void Type(HWND browser, const std::string& text, Observations& seen) {
    HWND edit = GetDlgItem(browser, kBrowserPathEditId);
    SetWindowTextA(edit, text.c_str());
    seen.editTexts.push_back(WindowText(edit));
    seen.okEnabled.push_back(IsWindowEnabled(GetDlgItem(browser, IDOK)) != FALSE);
}

// A user cannot click a greyed button (and Wine would fire it anyway).
void Click(HWND browser, int id) {
    HWND button = GetDlgItem(browser, id);
    if (IsWindowEnabled(button)) {
        SendMessageA(button, BM_CLICK, 0, 0);
    }
}

class RealBrowser : public PickerOnDisk {
  protected:
    int RunPicker(const char* caption, const char* initialFolder) {
        CPathDialog picker(services, caption, "请选择安装目录：", initialFolder);
        int result = picker.RunModal();
        if (result == 1) {
            chosen = picker.ChosenPath();
        }
        return result;
    }

    Win32FolderBrowser browser;
    ScriptedPrompts prompts;
    ui::PickerServices services{browser, files, prompts};
    std::string chosen = "unchanged";
};

TEST_F(RealBrowser, TypedMissingFolderIsCreatedAndTaken) {
    const char* caption = "选择器测试一";
    const std::string typed = PickerRoot() + "\\新建\\安装目录";
    prompts.answers = {platform::kIdYes};
    BrowserDriver driver(caption, [&](HWND browser, Observations& seen) {
        Type(browser, typed, seen);
        Click(browser, IDOK);
    });
    int result = RunPicker(caption, kStartFolder);
    driver.Join();

    EXPECT_EQ(result, 1);
    EXPECT_EQ(chosen, typed);
    EXPECT_TRUE(IsFolder(typed));
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text,
              "The folder:\n\n" + typed + "\n\ndoes not exist. Do you want the folder to be created?");
    EXPECT_EQ(prompts.shown[0].owner, reinterpret_cast<platform::WindowHandle>(driver.seen.browser));

    // The browser as it was set up: status line hidden, our edit box just above the tree.
    const Observations& seen = driver.seen;
    EXPECT_TRUE(seen.statusHidden);
    EXPECT_TRUE(seen.editVisible);
    EXPECT_EQ(seen.edit.left, seen.tree.left);
    EXPECT_EQ(seen.edit.right, seen.tree.right);
    EXPECT_EQ(seen.edit.bottom, seen.tree.top - 4);
    EXPECT_EQ(seen.edit.top, seen.tree.top - 27);
    EXPECT_TRUE(lstrcmpiA(seen.initialEditText.c_str(), kStartFolder) == 0) << seen.initialEditText;
    EXPECT_EQ(seen.editTexts, std::vector<std::string>{typed});
    EXPECT_EQ(seen.okEnabled, std::vector<bool>{true});
}

TEST_F(RealBrowser, InvalidPathKeepsItOpenAndEmptyTextGreysOk) {
    const char* caption = "选择器测试二";
    BrowserDriver driver(caption, [&](HWND browser, Observations& seen) {
        Type(browser, "", seen);
        Click(browser, IDOK);  // greyed: nothing happens
        Type(browser, "D:", seen);
        Click(browser, IDOK);  // refused with a message; the browser stays open
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(driver.uiThread(), &info)) {
            seen.focusInEditAfterRefusal = info.hwndFocus == GetDlgItem(browser, kBrowserPathEditId);
        }
        seen.okEnabled.push_back(IsWindow(browser) != FALSE);  // still open
        Click(browser, IDCANCEL);
    });
    int result = RunPicker(caption, kStartFolder);
    driver.Join();

    EXPECT_EQ(result, -1);
    EXPECT_EQ(chosen, "unchanged");
    EXPECT_EQ(driver.seen.editTexts, (std::vector<std::string>{"", "D:"}));
    EXPECT_EQ(driver.seen.okEnabled, (std::vector<bool>{false, true, true}));
    EXPECT_TRUE(driver.seen.focusInEditAfterRefusal);
    ASSERT_EQ(prompts.shown.size(), 1u);
    EXPECT_EQ(prompts.shown[0].text, "The folder:\n\nD:\n\nis invalid. Please reenter.");
    EXPECT_EQ(prompts.shown[0].style, platform::kMbOk | platform::kMbIconExclamation);
}

TEST_F(RealBrowser, TreeSelectionFillsTheEditBoxAndIsTaken) {
    const char* caption = "选择器测试三";
    // A folder that exists for long: Wine's tree may not find one made a moment ago.
    const std::string other = "C:\\users";
    std::string afterSelection;
    BrowserDriver driver(caption, [&](HWND browser, Observations& seen) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(other.c_str()));
        afterSelection = WindowText(GetDlgItem(browser, kBrowserPathEditId));
        Click(browser, IDOK);
    });
    int result = RunPicker(caption, kStartFolder);
    driver.Join();

    EXPECT_TRUE(lstrcmpiA(afterSelection.c_str(), other.c_str()) == 0) << afterSelection;
    EXPECT_EQ(result, 1);
    EXPECT_TRUE(lstrcmpiA(chosen.c_str(), other.c_str()) == 0) << chosen;
    EXPECT_TRUE(prompts.shown.empty());
}

TEST_F(RealBrowser, CancelLeavesTheCallersPathAlone) {
    const char* caption = "选择器测试四";
    BrowserDriver driver(caption, [&](HWND browser, Observations& seen) {
        Type(browser, PickerRoot(), seen);
        Click(browser, IDCANCEL);
    });
    EXPECT_EQ(RunPicker(caption, kStartFolder), -1);
    driver.Join();
    EXPECT_EQ(chosen, "unchanged");
    EXPECT_TRUE(prompts.shown.empty());
}

}  // namespace
