// benchfloor: the floors that scripts/bench.sh measures the wizard against.
//
//   benchfloor page                              page 1's template, nothing else (start-up floor)
//   benchfloor copy <source> <target> <count>    page 3's template; its OK button copies the first
//                                                <count> files of <source> into <target>, then shows
//                                                the completion message
//   benchfloor stage <source> <target> <count>   the same, each file replaced as an all-or-nothing
//                                                swap does it at the least (bench::StageFirstFiles)
#include <windows.h>

#include <cstdlib>
#include <string>

#include "bench/bare_page.h"
#include "bench/raw_copy.h"
#include "res/resource.h"

namespace {

constexpr char kDoneText[] = "安装完成，重启AutoCAD即可使用 !";
constexpr char kDoneCaption[] = "Brelix安装";

int Usage() {
    MessageBoxA(nullptr, "benchfloor page | copy|stage <source> <target> <count>", "benchfloor", MB_OK);
    return 2;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const int count = __argc;
    char** words = __argv;
    if (count < 2)
        return Usage();
    const std::string mode = words[1];
    if (mode == "page" && count == 2)
        return bench::ShowBarePage(IDD_PAGE1, nullptr) == -1 ? 1 : 0;
    if ((mode == "copy" || mode == "stage") && count == 5) {
        const std::string source = words[2];
        const std::string target = words[3];
        const int files = std::atoi(words[4]);
        CreateDirectoryA(target.c_str(), nullptr);
        const auto onForward = [&](HWND page) {
            if (mode == "stage")
                bench::StageFirstFiles(source, target, files);
            else
                bench::CopyFirstFiles(source, target, files);
            MessageBoxA(page, kDoneText, kDoneCaption, MB_OK);
        };
        return bench::ShowBarePage(IDD_PAGE3, onForward) == -1 ? 1 : 0;
    }
    return Usage();
}
