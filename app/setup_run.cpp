#include "app/setup_run.h"

#include "app/command_line.h"
#include "app/install_choices.h"
#include "app/run_log.h"
#include "app/silent_install.h"
#include "app/wizard_app.h"
#include "install/record/active_setup.h"
#include "install/record/install_root.h"
#include "install/record/locations.h"
#include "platform/number_text.h"
#include "platform/text936.h"
#include "state/acad_inventory.h"
#include "state/exit_codes.h"
#include "state/install_options.h"
#include "ui/wizard_context.h"
#include "ui/wizard_pages.h"
#include "uninstall/uninstall.h"

namespace app {

namespace {

constexpr char kCaption[] = "Brelix软件安装";
// Each run's last log line begins with it, and ends with the same code in ASCII for scripts.
constexpr char kExitLinePrefix[] = "退出代码：";
constexpr char kExitToken[] = "ExitCode=";
// Each run's first log line begins with it, so that the runs appended to one /LOG file stand apart.
constexpr char kHeaderPrefix[] = "==========";

constexpr char kAnotherRunText[] =
    "另一个Brelix安装程序正在本机运行（也可能在其他用户的会话中）。\n\n"
    "为避免两个安装程序同时更改本机，本程序不作任何更改并退出。请等它结束后再运行本程序。";

// Holds the run lock from its construction to its end, when it was taken.
class LockHold {
  public:
    explicit LockHold(platform::RunLock& lock) : lock_(lock), result_(lock.TryAcquire()) {}
    ~LockHold() {
        if (platform::Holds(result_))
            lock_.Release();
    }
    LockHold(const LockHold&) = delete;
    LockHold& operator=(const LockHold&) = delete;
    platform::LockResult Result() const { return result_; }

  private:
    platform::RunLock& lock_;
    const platform::LockResult result_;
};

// Makes the missing folders above a log file given as a full path, so that the log can be written.
void CreateLogFolder(platform::FileSystem& files, const std::string& logPath) {
    const std::size_t slash = text936::FindLastBackslash(logPath);
    if (slash != text936::npos)
        install::CreateRootFolder(files, logPath.substr(0, slash));
}

// The product version the log names: the one place that says which.
std::string ProgramVersionText(const state::InstallOptions& options) {
    return state::FormatVersionLabel(options.productVersion, options.buildBitness);
}

// "2026-12-08 11:04:13 UTC"
std::string TimeText(const platform::UtcTime& now) {
    using platform::DecimalText;
    return DecimalText(static_cast<unsigned>(now.year), 4) + "-" +
           DecimalText(static_cast<unsigned>(now.month), 2) + "-" +
           DecimalText(static_cast<unsigned>(now.day), 2) + " " +
           DecimalText(static_cast<unsigned>(now.hour), 2) + ":" +
           DecimalText(static_cast<unsigned>(now.minute), 2) + ":" +
           DecimalText(static_cast<unsigned>(now.second), 2) + " UTC";
}

// Who and what runs, for logs gathered from many machines on one share: the header line (date, time,
// version, command line) first.
void LogRunHeader(state::InstallJournal& journal,
                  platform::Services& services,
                  const state::InstallOptions& options,
                  const platform::UtcTime& started,
                  const std::string& arguments) {
    const std::string program = services.files.ProgramPath();
    journal.Note(std::string(kHeaderPrefix) + " " + TimeText(started) + "  " + ProgramVersionText(options) +
                 "  命令行：\"" + (program.empty() ? std::string("SetUp.exe") : program) + "\"" +
                 (arguments.empty() ? std::string() : " " + arguments));
    const std::string computer = services.processes.ComputerName();
    const std::string account = services.processes.AccountName();
    journal.Note("计算机：" + (computer.empty() ? std::string("（未知）") : computer) + "，账户：" +
                 (account.empty() ? std::string("（未知）") : account));
    journal.Note(options.buildBitness == 32
                     ? std::string("注册表视图：32 位（AutoCAD 的查找与注册、安装记录都在 32 位视图）")
                     : std::string("注册表视图：64 位（AutoCAD 在 64 位视图及 Wow6432Node 中查找与注册；"
                                   "安装记录在 32 位视图）"));
}

// Why a run ended with its exit code, in the words of the run that ended.
std::string ExitReason(RunMode mode, int exitCode) {
    if (exitCode == state::kExitAnotherRun)
        return "另一个安装程序正在运行，本次未作任何更改";
    if (exitCode == state::kExitInvalidCommandLine)
        return "命令行无效，未作任何更改（原因见上）";
    switch (mode) {
        case RunMode::Help:
            return "已给出开关说明";
        case RunMode::WriteUserProgram:
            return exitCode == state::kExitInstalled ? "已写出 BrelixUser.exe" : "无法写出 BrelixUser.exe";
        case RunMode::Uninstall:
            switch (exitCode) {
                case uninstall::kUninstalled:
                    return "已卸载";
                case uninstall::kUninstallCancelled:
                    return "用户取消了卸载";
                case uninstall::kNothingToUninstall:
                    return "未找到安装记录，没有可卸载的内容";
                case uninstall::kUninstallAcadRunning:
                    return "AutoCAD 正在运行，未卸载";
                default:
                    return "已卸载，但有些项目未能删除（见上）";
            }
        default:
            break;
    }
    switch (exitCode) {
        case state::kExitInstalled:
            return "安装完成，没有问题";
        case state::kExitCancelled:
            return "用户未安装就退出了安装向导";
        case state::kExitSourceMissing:
            return "未找到安装所需的 Data 文件夹（应在 SetUp.exe 旁），未作任何更改";
        case state::kExitAcadRunning:
            return "AutoCAD 正在运行，未安装";
        case state::kExitNoRelease:
            return "没有可安装的 AutoCAD 版本，未作任何更改";
        case state::kExitStopped:
            return "复制前或复制中停止，未注册任何 AutoCAD 版本（原因见上）";
        case state::kExitNewerInstalled:
            return "本机已安装更新的版本，未作任何更改（/ALLOWDOWNGRADE 可安装较旧的版本）";
        default:
            return "安装完成，但有问题（见上）";
    }
}

void LogFoundReleases(state::InstallJournal& journal, const state::AcadInventory& inventory) {
    bool any = false;
    for (int k = 0; k < state::kReleaseCount; ++k) {
        const auto& locations = inventory.acadLocations[static_cast<std::size_t>(k)];
        const auto& keys = inventory.acadKeys[static_cast<std::size_t>(k)];
        for (std::size_t i = 0; i < locations.size() && i < keys.size(); ++i) {
            journal.Note("找到 AutoCAD " +
                         std::to_string(state::ReleaseTable()[static_cast<std::size_t>(k)].year) +
                         "：注册表键 HKLM\\" + keys[i] + "，位置 " + locations[i]);
            any = true;
        }
    }
    // Releases this build does not serve are named next (LogUnservedReleases).
    if (!any && inventory.unserved.empty())
        journal.Note("未找到任何 AutoCAD 版本");
    else if (!any)
        journal.Note("未找到本程序可安装的 AutoCAD 版本");
}

void LogChoices(state::InstallJournal& journal, const state::InstallOptions& options) {
    journal.Note("选择的版本：" + ChosenYears(options));
    journal.Note("安装路径：" + options.installRoot);
    std::string keep;
    if (options.keepSettings)
        keep += " 软件设置";
    if (options.keepSectionLibrary)
        keep += " 截面库";
    if (options.keepDrawingLibrary)
        keep += " 扩展绘图图库";
    journal.Note("保留原有配置：" + (keep.empty() ? std::string(" 无") : keep));
}

// BrelixUser.exe on its own, for whoever runs the per-user steps by other means than Active Setup.
int WriteUserProgram(platform::Services& services, const std::string& path, state::InstallJournal& journal) {
    if (!services.files.WriteCarriedFile(install::kUserProgramResource, path)) {
        journal.Note("无法写入 " + path + platform::DescribeSystemError(services.environment.LastError()));
        return state::kExitStopped;
    }
    journal.Note("已写入 " + path);
    return state::kExitInstalled;
}

// Switches that preset the wizard's pages.
bool HasPresets(const CommandLine& command) {
    return command.root || command.releases || command.keep;
}

// A log that was asked for and could not be written makes a run that did its work end with 7, as
// an installation does.
int WithLogOutcome(const state::InstallJournal& journal, int exitCode) {
    return exitCode == 0 && journal.HasLog() && journal.LogFailed() ? state::kExitWithProblems : exitCode;
}

int Finish(state::InstallJournal& journal, RunMode mode, int exitCode) {
    journal.Note(kExitLinePrefix + std::to_string(exitCode) + "（" + ExitReason(mode, exitCode) + "） " +
                 kExitToken + std::to_string(exitCode));
    return exitCode;
}

// A refused command line: what was not understood and where the switches are listed, never the
// whole list (a box of it would not fit a small screen, and nobody may be there to read it).
void ShowRefusal(platform::Prompts& prompts, const std::string& error) {
    prompts.Show(platform::kNoWindow, RefusalText(error), kCaption,
                 platform::kMbOk | platform::kMbIconExclamation);
}

// Each line of a text that has several, as log lines.
void NoteLines(state::InstallJournal& journal, const std::string& text) {
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        if (end > start)
            journal.Note(text.substr(start, end - start));
        start = end + 1;
    }
}

int RunWizard(SetUpPlatform& platform,
              const CommandLine& command,
              state::InstallOptions& options,
              const state::AcadInventory& found,
              bool searched,
              state::InstallJournal& journal,
              bool noBox) {
    if (HasPresets(command)) {
        const ChoiceResult choices = ApplyInstallChoices(command, found, platform.services, options);
        if (choices.exitCode != 0) {
            journal.Note("命令行无效：" + choices.error);
            if (!noBox)
                ShowRefusal(platform.services.prompts, choices.error);
            return Finish(journal, RunMode::Wizard, choices.exitCode);
        }
    }
    // The wizard finds the releases itself, into an inventory of its own, as it always has; what a
    // log or preset choices had searched first (`searched`) is not searched again.
    state::AcadInventory inventory;
    if (searched) {
        inventory = found;
        inventory.unserved.clear();  // the pages' own search leaves out the other build's releases
    }
    ui::WizardContext context{platform.services, platform.dialogs, platform.folderBrowser,
                              options,           inventory,        journal};
    CWizardApp wizard(platform.services.registry, platform.services.environment, inventory,
                      ui::MakeWizardPages(context), searched);
    wizard.Run();
    if (journal.Outcome() != state::InstallOutcome::NotRun)
        LogChoices(journal, options);
    return Finish(journal, RunMode::Wizard,
                  state::ExitCodeFor(journal.Outcome(), true, journal.HasLog() && journal.LogFailed()));
}

}  // namespace

// The build's bitness as text, for the help's one literal.
#define BRELIX_TEXT_OF(x) #x
#define BRELIX_TEXT(x) BRELIX_TEXT_OF(x)
#define BRELIX_BITNESS_TEXT BRELIX_TEXT(BRELIX_BITNESS)

std::string HelpText() {
    // One switch a line, each with its value form, so that neither the box nor a console breaks
    // a switch in two; explanations follow on lines of their own.
    return "用法：SetUp.exe [开关]    卸载：Uninstall.exe /UNINSTALL [/S] [/LOG=<日志文件>]\n"
           "/S\n"
           "    静默，不显示窗口和消息框（或 /SILENT、/VERYSILENT、/QUIET、/QN、/PASSIVE）\n"
           "/D=<安装路径>\n"
           "    默认 C:\\Brelix，产品在其下的 Brelix结构工具箱 中；含空格时加引号：\"/D=D:\\CAD Tools\"\n"
           "    也可写作 /DIR=<安装路径>\n"
           "/RELEASES=ALL\n"
           "/RELEASES=<年份>,<年份>,...\n"
           "    要注册的 AutoCAD 版本；默认为本机找到且本程序支持的全部版本\n"
           "/KEEP=ALL\n"
           "/KEEP=NONE\n"
           "/KEEP=SETTINGS,SECTIONS,DRAWINGS\n"
           "    保留原有的设置、截面库、扩展绘图图库；默认全部保留\n"
           "/LOG=<日志文件>\n"
           "    日志（UTF-8），追加在文件末尾。静默运行和卸载没有 /LOG 时，或无法写入时，\n"
           "    写到新建的 %WINDIR%\\Temp\\Brelix-SetUp-<日期>-<时间>-<进程号>.log（保留最新 10 个）\n"
           "    每次运行的日志以 ========== 行开始，最后一行含 ExitCode=<退出代码>\n"
           "/UNINSTALL\n"
           "    卸载；SetUp.exe 和 Uninstall.exe 都接受，可加 /S、/LOG\n"
           "/USERPROGRAM=<文件>\n"
           "    写出每个用户登录时运行的 BrelixUser.exe；只可再加 /S、/LOG\n"
           "/ALLOWDOWNGRADE\n"
           "    已安装更新的版本时仍安装本版本\n"
           "/?\n"
           "/HELP\n"
           "    本说明；从命令行启动时也输出到命令行窗口\n"
           "/NORESTART\n"
           "/SUPPRESSMSGBOXES\n"
           "    接受而无作用\n"
           "适用的安装程序（本程序为 " BRELIX_BITNESS_TEXT
           " 位）：\n"
           "    32 位 AutoCAD 2004 至 2016：32 位安装程序\n"
           "    64 位 AutoCAD 2005 至 2025：64 位安装程序\n"
           "    64 位 Windows 上的 32 位 AutoCAD 2006 至 2009：两者均可\n"
           "安装的退出代码：\n"
           "    0 完成\n"
           "    1 用户取消\n"
           "    2 命令行无效\n"
           "    3 未找到 Data 文件夹\n"
           "    4 AutoCAD 正在运行\n"
           "    5 没有可安装的 AutoCAD 版本\n"
           "    6 复制前或复制中停止，未注册\n"
           "    7 完成但有问题或日志无法写入\n"
           "    8 已安装更新的版本，未作更改\n"
           "    1618 另一个安装程序正在运行\n"
           "卸载（/UNINSTALL）的退出代码：\n"
           "    0 完成\n"
           "    1 用户取消\n"
           "    2 命令行无效\n"
           "    3 未安装\n"
           "    4 AutoCAD 正在运行\n"
           "    7 有项目未能删除或日志无法写入，可再次卸载\n"
           "    1618 另一个安装程序正在运行";
}

std::string HelpBoxText() {
    // Lines of at most 44 bytes: a message box wraps its text at about 440 pixels at 150 %.
    return "用法：SetUp.exe [开关]\n"
           "卸载：Uninstall.exe /UNINSTALL [/S]\n"
           "/S  静默；也可 /QN、/QUIET、/PASSIVE\n"
           "/D=<安装路径>  默认 C:\\Brelix；也可 /DIR=\n"
           "/RELEASES=ALL 或 <年份>,<年份>,...\n"
           "    要注册的 AutoCAD 版本\n"
           "/KEEP=ALL、NONE 或\n"
           "    SETTINGS,SECTIONS,DRAWINGS  保留的配置\n"
           "/LOG=<日志文件>  日志，追加写入；\n"
           "    静默运行和卸载没有 /LOG 时写在\n"
           "    %WINDIR%\\Temp\\Brelix-SetUp-*.log\n"
           "/UNINSTALL  卸载\n"
           "/USERPROGRAM=<文件>  写出 BrelixUser.exe\n"
           "/NORESTART、/SUPPRESSMSGBOXES  无作用\n"
           "退出代码：\n"
           "    0 完成    1 用户取消    2 命令行无效\n"
           "    3 未找到 Data 文件夹（卸载：未安装）\n"
           "    4 AutoCAD 正在运行\n"
           "    5 没有可安装的 AutoCAD 版本\n"
           "    6 复制前或复制中停止，未注册\n"
           "    7 完成但有问题或日志无法写入\n"
           "    1618 另一个安装程序正在运行\n"
           "完整说明：在命令行窗口中运行 SetUp.exe /?";
}

std::string RefusalText(const std::string& error) {
    return error + "\n\n运行 SetUp.exe /? 可列出所有开关。";
}

namespace {

// The run itself, once its log is in place.
int RunLogged(const std::string& arguments,
              const platform::UtcTime& started,
              const ParsedCommandLine& parsed,
              bool noBox,
              SetUpPlatform& platform,
              state::InstallJournal& journal) {
    state::InstallOptions options;
    LogRunHeader(journal, platform.services, options, started, arguments);

    if (!parsed.command) {
        journal.Note("命令行无效：" + parsed.error);
        if (!noBox)
            ShowRefusal(platform.services.prompts, parsed.error);
        return Finish(journal, RunMode::Wizard, state::kExitInvalidCommandLine);
    }
    const CommandLine& command = *parsed.command;
    if (command.mode == RunMode::Help) {
        if (platform.console)
            platform.console(HelpText());
        if (noBox)
            NoteLines(journal, HelpText());
        else
            platform.services.prompts.Show(platform::kNoWindow, HelpBoxText(), kCaption, platform::kMbOk);
        return Finish(journal, command.mode, state::kExitInstalled);
    }
    if (command.mode == RunMode::WriteUserProgram)
        return Finish(
            journal, command.mode,
            WithLogOutcome(journal, WriteUserProgram(platform.services, *command.userProgram, journal)));

    // From here on the run changes the machine: one at a time, and a second one does not wait.
    const LockHold lock(platform.runLock);
    if (!platform::Holds(lock.Result())) {
        journal.Note(lock.Result() == platform::LockResult::Failed
                         ? "无法确认本机没有另一个安装程序在运行（安装锁无法打开）"
                         : "另一个Brelix安装程序正在本机运行");
        if (!noBox) {
            platform.services.prompts.Show(platform::kNoWindow, kAnotherRunText, kCaption,
                                           platform::kMbOk | platform::kMbIconExclamation);
        }
        return Finish(journal, command.mode, state::kExitAnotherRun);
    }
    if (lock.Result() == platform::LockResult::TakenOver)
        journal.Note("上一个安装程序未正常结束（安装锁无人释放），本次接替运行");

    if (command.mode == RunMode::Uninstall)
        return Finish(
            journal, command.mode,
            WithLogOutcome(journal, uninstall::RunUninstall(platform.services, journal, command.silent)));

    // The wizard finds the releases itself; a search before it only serves a log or preset choices,
    // and would otherwise walk the registry twice before the first page.
    state::AcadInventory found;
    const bool searched = command.mode != RunMode::Wizard || HasPresets(command) || journal.HasLog();
    if (searched) {
        found.FindReleases(platform.services.registry, platform.services.environment,
                           state::AcadInventory::OtherBuildView::Search);
        LogFoundReleases(journal, found);
        LogUnservedReleases(journal, found);
    }

    if (command.mode == RunMode::Wizard)
        return RunWizard(platform, command, options, found, searched, journal, noBox);

    const ChoiceResult choices = ApplyInstallChoices(command, found, platform.services, options);
    if (choices.exitCode != 0) {
        journal.Note(choices.error);
        return Finish(journal, command.mode, choices.exitCode);
    }
    LogChoices(journal, options);
    return Finish(journal, command.mode, RunSilentInstall(platform.services, options, found, journal));
}

// The last exit line of the log: the run's result on one line.
std::string ResultLine(const RunLog& log) {
    for (auto line = log.Lines().rbegin(); line != log.Lines().rend(); ++line) {
        if (line->compare(0, sizeof(kExitLinePrefix) - 1, kExitLinePrefix) == 0)
            return *line;
    }
    return {};
}

}  // namespace

int RunSetUp(const std::string& arguments, SetUpPlatform& platform) {
    const ParsedCommandLine parsed = ParseCommandLine(arguments);
    // A line that asks for silence or names a log may run where nobody can press OK.
    const bool noBox = AsksForNoBox(arguments);
    const std::string logPath = parsed.command ? parsed.command->logFile.value_or("") : LogPathOf(arguments);
    const bool uninstalling = parsed.command && parsed.command->mode == RunMode::Uninstall;
    // Every silent run and every uninstall leaves a log; the wizard only one that is asked for.
    const bool ownLog = logPath.empty() && (noBox || uninstalling);

    const platform::UtcTime started = platform.services.environment.Now();
    // Left unexpanded, the variable names no folder: then there is no log of the run's own.
    const std::string folder =
        platform.services.environment.Expand(kOwnLogFolder, install::kPathBufferSize).value_or("%");
    const bool hasFolder = folder.find('%') == std::string::npos;
    RunLog log(platform.openLog,
               hasFolder ? OwnLogBase(folder, started, platform.services.processes.CurrentProcessId())
                         : std::string());
    state::InstallJournal journal;
    if (!logPath.empty()) {
        CreateLogFolder(platform.services.files, logPath);
        log.OpenAsked(logPath);
    } else if (ownLog) {
        log.OpenOwn();
    }
    // Without /LOG the wizard keeps no log.
    if (!logPath.empty() || ownLog)
        journal.AttachLog(&log);

    const int exitCode = RunLogged(arguments, started, parsed, noBox, platform, journal);
    if (log.InOwn())
        PruneOwnLogs(platform.services.files, folder, log.OwnPath());
    if (noBox && platform.console) {
        std::string result = "Brelix SetUp.exe " + arguments + "：" + ResultLine(log);
        if (log.InOwn())
            result += "；日志：" + log.OwnPath();
        platform.console(result);
    }
    return exitCode;
}

}  // namespace app
