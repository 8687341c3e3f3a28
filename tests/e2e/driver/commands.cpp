#include "tests/e2e/driver/commands.h"

#include <functional>
#include <map>

#include "tests/e2e/driver/command_handlers.h"
#include "tests/e2e/driver/command_support.h"

namespace guidriver {

namespace {

const std::map<std::wstring, std::function<bool(const Words&)>>& Table() {
    static const std::map<std::wstring, std::function<bool(const Words&)>> table = {
        {L"start", Start},
        {L"wait-window", WaitWindow},
        {L"wait-page", WaitPage},
        {L"wait-text", WaitText},
        {L"click", Click},
        {L"post-click", PostClick},
        {L"type", Type},
        {L"check", ExpectCheck},
        {L"expect-check", ExpectCheck},
        {L"expect-text", ExpectText},
        {L"expect-contains", ExpectContains},
        {L"rect", Rect},
        {L"expect-enabled", ExpectEnabled},
        {L"expect-visible", ExpectVisible},
        {L"expect-caption", ExpectCaption},
        {L"expect-grid", ExpectGrid},
        {L"dump", Dump},
        {L"close", Close},
        {L"press-key", PressKey},
        {L"expect-owner", ExpectOwner},
        {L"expect-progress", ExpectProgress},
        {L"wait-message", WaitMessage},
        {L"expect-no-message", ExpectNoMessage},
        {L"answer", Answer},
        {L"wait-exit", WaitExit},
        {L"sleep", Pause},
        {L"idle", Idle},
        {L"hold", Hold},
        {L"race", Race},
        {L"rename", Rename},
        {L"swapstart", SwapStart},
    };
    return table;
}

}  // namespace

bool RunCommand(const Words& words) {
    if (words.empty())
        return true;
    auto entry = Table().find(words[0]);
    if (entry == Table().end())
        return Fail(L"unknown command " + Quoted(words[0]));
    return entry->second(Words(words.begin() + 1, words.end()));
}

const wchar_t* CommandSummary() {
    return L"  start <exe> [args]            start a program, do not wait\n"
           L"  wait-window <caption> [s]     a top-level dialog with this caption is shown\n"
           L"  wait-page <text> [s]          the active page shows a control with this text\n"
           L"  wait-text <id> <text> [s]     control <id> of the active dialog shows <text>\n"
           L"  click <id>                    press a shown, enabled button (waits briefly for its handler)\n"
           L"  post-click <id>               press it without waiting (the click opens a modal box)\n"
           L"  type <id> <text>              set the text of an edit box\n"
           L"  check <id> expect <0|1>       check state of a check box or radio button\n"
           L"  expect-text <id> <text>       exact text of a control\n"
           L"  expect-contains <id> <text>   the text of a control contains <text>\n"
           L"  rect                          screen rectangle around the dialogs on display\n"
           L"  expect-enabled <id> <0|1>     whether a control is enabled\n"
           L"  expect-visible <id> <0|1>     whether a control is shown\n"
           L"  expect-caption <text>         caption of the active dialog\n"
           L"  expect-grid <rows> <id>...    shown boxes fill a grid column by column\n"
           L"  expect-progress <id> <pos> <min> <max>  a progress bar on any dialog on display\n"
           L"  expect-owner <text>           the active box is modal over the page showing <text>\n"
           L"  press-key <escape|enter>      a key on the focused control of the active dialog\n"
           L"  close                         the close box of the active dialog\n"
           L"  dump                          every control of the active dialog\n"
           L"  wait-message <text> [s]       a message box whose text contains <text>\n"
           L"  expect-no-message [s]         no message box comes up\n"
           L"  answer <id>                   press a button of the message box and wait for it to close\n"
           L"  wait-exit [s]                 no dialog is shown any more\n"
           L"  sleep <ms>                    pause\n"
           L"  idle <marker> [s]             stay alive until the marker file exists\n"
           L"  hold <file> <marker> [s]      keep a file open without sharing until the marker exists\n"
           L"  race <watched> <marker> <folder>...  rename the folders away while the watched file exists\n"
           L"  rename <from> <to>            try one rename and say how it went\n"
           L"  swapstart <exe> <other> [args]  start <exe> suspended, put <other> in its place, run it\n";
}

}  // namespace guidriver
