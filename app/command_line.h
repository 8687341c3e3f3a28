#pragma once
// The switches SetUp.exe understands. Without any, the wizard runs as it always has.
//
//   /S                     silent: no window, no message box (also /SILENT, /VERYSILENT, /QUIET, and
//                          msiexec's /QN and /PASSIVE)
//   /D=<root>              installation root (also /DIR=, as Inno Setup names it)
//   /RELEASES=ALL|<years>  releases to register, years separated by ","
//   /KEEP=ALL|NONE|<parts> parts of the earlier configuration to keep: SETTINGS, SECTIONS, DRAWINGS
//   /LOG=<file>            log of the run, appended to the file
//   /? or /HELP            the list of switches
//   /UNINSTALL             remove the installation (with /S and /LOG)
//   /USERPROGRAM=<file>    write BrelixUser.exe, the per-user program, to <file> (with /S and /LOG)
//   /NORESTART, /SUPPRESSMSGBOXES  taken from Inno Setup lines, with no effect (the second asks for
//                          no box, as /S does)
//
// Switches start with "/" or "-" and ignore letter case; a value follows "="; quotes group words
// with spaces and are dropped ("/D=D:\CAD Tools" or /D="D:\CAD Tools"). Unlike the C runtime's
// rule, a "\" before a quote is kept as it is, since a path may end in one. As in NSIS, an unquoted
// /D= (or /DIR=) that is the last switch takes the rest of the line, spaces and all (/S /D=D:\CAD Tools).

#include <optional>
#include <string>
#include <vector>

namespace app {

enum class RunMode { Wizard, Silent, Help, Uninstall, WriteUserProgram };

// Which releases a command line asks for.
struct ReleaseRequest {
    bool all = false;
    std::vector<int> years;  // as written, when not `all`
};

// Which parts of the earlier configuration a command line asks to keep.
struct KeepRequest {
    bool settings = false;
    bool sections = false;
    bool drawings = false;
};

struct CommandLine {
    RunMode mode = RunMode::Wizard;
    bool silent = false;  // /S or a synonym, also with /UNINSTALL
    std::optional<std::string> root;
    std::optional<ReleaseRequest> releases;  // nullopt: what page 2 ticks when it opens
    std::optional<KeepRequest> keep;         // nullopt: what page 3 offers when it opens
    std::optional<std::string> logFile;
    std::optional<std::string> userProgram;  // /USERPROGRAM=: where to write BrelixUser.exe
    bool allowDowngrade = false;             // /ALLOWDOWNGRADE: an older version may replace a newer one
};

struct ParsedCommandLine {
    std::optional<CommandLine> command;  // nullopt: refused
    std::string error;                   // why it was refused (code-page-936 text)
};

// The text after the program name of a whole command line (GetCommandLineA), as Windows splits it:
// the name ends at the first blank outside quotes. The C runtime's own split for WinMain takes every
// byte above 0x7F for a blank, so an unquoted name with Chinese characters (C:\软件\SetUp.exe /S)
// would leave part of itself among the arguments. No trail byte of code page 936 is a quote or a blank.
std::string ArgumentsAfterProgram(const std::string& commandLine);

// Splits the arguments (the text after the program name) into words, as the C runtime does for
// the cases that matter here: blanks separate, quotes group and are removed.
std::vector<std::string> SplitArguments(const std::string& arguments);

// Parses the text after the program name. Unknown switches, repeated switches, malformed values
// and stray words are refused. Years are only checked for their form here; whether the machine
// has them is decided once discovery has run.
ParsedCommandLine ParseCommandLine(const std::string& arguments);

// True when some word of `arguments` asks for silence (/S or a synonym) or names a log, even on a
// line that is refused: such a run shows no message box before its first page.
bool AsksForNoBox(const std::string& arguments);

// The /LOG= value of `arguments`, even of a line that is refused, so that the refusal is logged;
// empty when there is none.
std::string LogPathOf(const std::string& arguments);

}  // namespace app
