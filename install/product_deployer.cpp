#include "install/product_deployer.h"

#include <array>

#include "install/folder_walk.h"
#include "install/locations.h"
#include "install/product_layout.h"
#include "install/read_only.h"
#include "platform/text936.h"

namespace install {

namespace {

constexpr int kProductPassCap = 101;
constexpr int kDrawingLibraryPassCap = 81;

// Shipped beside the product but not part of it: the setup program, the fonts (they go into
// AutoCAD's font folders) and the product's own package file.
const std::array<const char*, 4> kNotDeployed = {"SetUp.EXE", "Brelix_EN.shx", "Brelix_HZ.shx", "Brelix.prt"};

constexpr char kCopyFailedBefore[] = "拷贝文件 ";
constexpr char kCopyFailedAfter[] =
    " 失败，可能原因如下：\n\n1、AutoCAD未关闭\n\n2、系统权限未开放，请以管理者权限登陆系统";
constexpr char kCopyFailedCaption[] = "Brelix安装";
// What a message box returns when it could not be shown.
constexpr int kNoAnswer = 0;

bool IsNotDeployed(const std::string& name) {
    for (const char* excluded : kNotDeployed) {
        if (text936::EqualsNoCase(name, excluded))
            return true;
    }
    return false;
}

// Creates one folder level unless its path would not fit the 260-byte buffer.
void CreateFolderIfFits(platform::FileSystem& files, const std::string& path) {
    if (text936::FitsBuffer(path, kPathBufferSize))
        files.CreateDirectory(path);
}

}  // namespace

ProductDeployer::ProductDeployer(platform::Services& services,
                                 const std::string& installRoot,
                                 platform::ProgressBar& progress)
    : rootFolder(text936::WithoutTrailingBackslash(installRoot)), services_(services), progress_(progress) {}

bool ProductDeployer::DeployProductFiles() {
    std::string source;
    if (!LocateSourceFolder(services_, source))
        return false;

    const std::string productFolder = JoinPath(rootFolder, kProductFolderName);
    CreateFolderIfFits(services_.files, productFolder);
    CreateFolderIfFits(services_.files, JoinPath(productFolder, kEmptyTempFolderName));

    return WalkFolder(
        services_.files, source, kProductPassCap, [this] { progress_.StepIt(); },
        [&](const platform::DirEntry& entry) {
            if (IsNotDeployed(entry.name))
                return WalkStep::Continue;
            const bool copied =
                CopyProductFile(JoinPath(source, entry.name), JoinPath(productFolder, entry.name));
            return copied ? WalkStep::Continue : WalkStep::Stop;
        });
}

bool ProductDeployer::CopyProductFile(const std::string& from, const std::string& to) {
    platform::FileSystem& files = services_.files;
    ClearReadOnly(files, from);
    ClearReadOnly(files, to);
    while (!files.CopyFile(from, to, false)) {
        const int answer = services_.prompts.Show(services_.prompts.ActiveWindow(),
                                                  kCopyFailedBefore + to + kCopyFailedAfter,
                                                  kCopyFailedCaption, platform::kMbAbortRetryIgnore);
        // A box that could not be shown (0) asked nobody: retrying would spin for ever without a
        // word on screen, so it ends the walk as abort does.
        if (answer == platform::kIdAbort || answer == kNoAnswer)
            return false;
        if (answer == platform::kIdIgnore) {
            ClearReadOnly(files, to);
            return true;
        }
    }
    ClearReadOnly(files, to);
    if (journal)
        journal->FileInstalled(to);
    return true;
}

void ProductDeployer::DeployDrawingLibrary() {
    std::string source;
    if (!LocateSourceFolder(services_, source))
        return;

    const std::string librarySource = JoinPath(source, kDrawingLibraryName);
    const std::string libraryTarget = JoinPath(JoinPath(rootFolder, kProductFolderName), kDrawingLibraryName);
    CreateFolderIfFits(services_.files, libraryTarget);

    platform::FileSystem& files = services_.files;
    WalkFolder(
        files, librarySource, kDrawingLibraryPassCap, [this] { progress_.StepIt(); },
        [&](const platform::DirEntry& entry) {
            const std::string from = JoinPath(librarySource, entry.name);
            const std::string to = JoinPath(libraryTarget, entry.name);
            ClearReadOnly(files, from);
            ClearReadOnly(files, to);
            if (files.CopyFile(from, to, false) && journal)
                journal->FileInstalled(to);
            ClearReadOnly(files, to);
            return WalkStep::Continue;
        });
}

}  // namespace install
