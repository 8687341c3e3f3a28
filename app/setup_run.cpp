#include "app/setup_run.h"

#include "app/command_line.h"
#include "app/install_choices.h"
#include "app/silent_install.h"
#include "app/wizard_app.h"
#include "install/active_setup.h"
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

// A switch word of `arguments` that asks for silence, even on a command line that is refused.
bool AsksForSilence(const std::string& arguments) {
    for (const std::string& word : SplitArguments(arguments)) {
        if (text936::EqualsNoCase(word, "/S") || text936::EqualsNoCase(word, "-S"))
            return true;
    }
    return false;
}

// The /LOG= value of a command line, even of one that is refused, so the refusal is logged.
std::string LogPathOf(const std::string& arguments) {
    for (const std::string& word : SplitArguments(arguments)) {
        const std::string name = text936::ToUpper(word.substr(0, 5));
        if (name == "/LOG=" || name == "-LOG=")
            return word.substr(5);
    }
    return std::string();
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
    if (!any)
        journal.Note("未找到任何 AutoCAD 版本");
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
        journal.Note("无法写入 " + path);
        return state::kExitStopped;
    }
    journal.Note("已写入 " + path);
    return state::kExitInstalled;
}

// Switches that preset the wizard's pages.
bool HasPresets(const CommandLine& command) {
    return command.root || command.releases || command.keep;
}

int Finish(state::InstallJournal& journal, int exitCode) {
    journal.Note("退出代码：" + std::to_string(exitCode));
    return exitCode;
}

int RunWizard(SetUpPlatform& platform,
              const CommandLine& command,
              state::InstallOptions& options,
              const state::AcadInventory& found,
              state::InstallJournal& journal) {
    if (HasPresets(command)) {
        const ChoiceResult choices = ApplyInstallChoices(command, found, platform.services, options);
        if (choices.exitCode != 0) {
            journal.Note("命令行无效：" + choices.error);
            platform.services.prompts.Show(platform::kNoWindow, choices.error + "\n\n" + HelpText(), kCaption,
                                           platform::kMbOk | platform::kMbIconExclamation);
            return Finish(journal, choices.exitCode);
        }
    }
    // The wizard finds the releases itself, into an inventory of its own, as it always has.
    state::AcadInventory inventory;
    ui::WizardContext context{platform.services, platform.dialogs, platform.folderBrowser,
                              options,           inventory,        journal};
    CWizardApp wizard(platform.services.registry, platform.services.environment, inventory,
                      ui::MakeWizardPages(context));
    wizard.Run();
    if (journal.Outcome() != state::InstallOutcome::NotRun)
        LogChoices(journal, options);
    return Finish(journal,
                  state::ExitCodeFor(journal.Outcome(), true, journal.HasLog() && journal.LogFailed()));
}

}  // namespace

std::string HelpText() {
    return "用法：SetUp.exe [/S] [/D=安装路径] [/RELEASES=ALL|2010,2018,...]\n"
           "                [/KEEP=ALL|NONE|SETTINGS,SECTIONS,DRAWINGS] [/LOG=日志文件]\n\n"
           "/S\t静默安装：不显示窗口和消息框\n"
           "/D\t安装路径，含空格时整个开关加引号：\"/D=D:\\CAD Tools\"\n"
           "/RELEASES\t要注册的 AutoCAD 版本（第二页显示的年份）\n"
           "/KEEP\t保留原有配置：软件设置、截面库、扩展绘图图库\n"
           "/LOG\t将安装过程写入日志文件（UTF-8）\n"
           "/? 或 /HELP\t显示本说明\n\n"
           "退出代码：\n"
           "0 安装完成\t1 用户取消\n"
           "2 命令行无效\t3 未找到 Data 文件夹\n"
           "4 AutoCAD 正在运行\t5 没有可安装的 AutoCAD 版本\n"
           "6 复制前或复制中停止，未注册\t7 安装完成但有问题（见日志）";
}

int RunSetUp(const std::string& arguments, SetUpPlatform& platform) {
    state::InstallJournal journal;
    const ParsedCommandLine parsed = ParseCommandLine(arguments);

    std::unique_ptr<platform::LogSink> log;
    const std::string logPath = parsed.command ? parsed.command->logFile.value_or("") : LogPathOf(arguments);
    if (!logPath.empty()) {
        log = platform.openLog(logPath);
        journal.AttachLog(log.get());
    }
    state::InstallOptions options;
    journal.Note("命令行：" + arguments);
    journal.Note("程序：SetUp.exe " +
                 state::FormatVersionLabel(options.productVersion, options.buildBitness));

    if (!parsed.command) {
        journal.Note("命令行无效：" + parsed.error);
        if (!AsksForSilence(arguments)) {
            platform.services.prompts.Show(platform::kNoWindow, parsed.error + "\n\n" + HelpText(), kCaption,
                                           platform::kMbOk | platform::kMbIconExclamation);
        }
        return Finish(journal, state::kExitInvalidCommandLine);
    }
    const CommandLine& command = *parsed.command;
    if (command.mode == RunMode::Help) {
        platform.services.prompts.Show(platform::kNoWindow, HelpText(), kCaption, platform::kMbOk);
        return Finish(journal, state::kExitInstalled);
    }
    if (command.mode == RunMode::Uninstall)
        return Finish(journal, uninstall::RunUninstall(platform.services, journal, command.silent));
    if (command.mode == RunMode::WriteUserProgram)
        return Finish(journal, WriteUserProgram(platform.services, *command.userProgram, journal));

    // The wizard finds the releases itself; a search before it only serves a log or preset choices,
    // and would otherwise walk the registry twice before the first page.
    state::AcadInventory found;
    if (command.mode != RunMode::Wizard || HasPresets(command) || journal.HasLog()) {
        found.FindReleases(platform.services.registry, platform.services.environment);
        LogFoundReleases(journal, found);
        LogUnservedReleases(journal, found);
    }

    if (command.mode == RunMode::Wizard)
        return RunWizard(platform, command, options, found, journal);

    const ChoiceResult choices = ApplyInstallChoices(command, found, platform.services, options);
    if (choices.exitCode != 0) {
        journal.Note(choices.error);
        return Finish(journal, choices.exitCode);
    }
    LogChoices(journal, options);
    return Finish(journal, RunSilentInstall(platform.services, options, found, journal));
}

}  // namespace app
