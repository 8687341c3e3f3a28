// guidriver: drives the setup wizard from outside, as a user would, for the end-to-end tests.
//
//   guidriver <command> [arguments]      run one command
//   guidriver run <script>               run a UTF-8 script, one command per line ('#' starts a comment)
//
// Each command prints what it did; the first failing command ends the run with exit code 1.
#include <windows.h>
// After windows.h, which it builds on.
#include <shellapi.h>

#include <fstream>
#include <sstream>

#include "tests/e2e/driver/commands.h"
#include "tests/e2e/driver/text.h"

using namespace guidriver;

namespace {

int Usage() {
    Complain(std::wstring(L"usage: guidriver <command> [arguments] | guidriver run <script>\n") +
             CommandSummary());
    return 2;
}

int RunScript(const std::wstring& path) {
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) {
        Complain(L"cannot read the script " + path);
        return 2;
    }
    std::string line;
    int number = 0;
    while (std::getline(file, line)) {
        ++number;
        std::wstring wide = FromUtf8(line);
        if (number == 1 && !wide.empty() && wide[0] == 0xFEFF)
            wide.erase(0, 1);
        Words words = SplitWords(wide);
        if (words.empty() || words[0][0] == L'#')
            continue;
        if (!RunCommand(words)) {
            Complain(path + L":" + std::to_wstring(number) + L": " + wide);
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main() {
    int count = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &count);
    Words words;
    for (int i = 1; i < count; ++i)
        words.push_back(argv[i]);
    LocalFree(argv);
    if (words.empty())
        return Usage();
    if (words[0] == L"run")
        return words.size() == 2 ? RunScript(words[1]) : Usage();
    return RunCommand(words) ? 0 : 1;
}
