// The command line: one table of accepted and refused lines, each compared as a whole.

#include <gtest/gtest.h>

#include "app/command_line.h"

namespace {

// "mode root=... releases=... keep=... log=..." with only the parts that are set; "refused" when
// the line is refused.
std::string Summary(const app::ParsedCommandLine& parsed) {
    if (!parsed.command)
        return "refused";
    const app::CommandLine& c = *parsed.command;
    static const char* const kModes[] = {"wizard", "silent", "help", "uninstall", "user program"};
    std::string text = kModes[static_cast<int>(c.mode)];
    if (c.silent && c.mode != app::RunMode::Silent)
        text += " /S";
    if (c.root)
        text += " root=" + *c.root;
    if (c.releases) {
        text += " releases=";
        if (c.releases->all)
            text += "all";
        for (std::size_t i = 0; i < c.releases->years.size(); ++i)
            text += (i ? "," : "") + std::to_string(c.releases->years[i]);
    }
    if (c.keep) {
        text += " keep=";
        text += c.keep->settings ? "S" : "-";
        text += c.keep->sections ? "C" : "-";
        text += c.keep->drawings ? "D" : "-";
    }
    if (c.logFile)
        text += " log=" + *c.logFile;
    if (c.userProgram)
        text += " to=" + *c.userProgram;
    if (c.allowDowngrade)
        text += " downgrade";
    return text;
}

struct LineCase {
    const char* arguments;
    const char* expected;
};

class CommandLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CommandLineTest, IsAcceptedOrRefusedAsAWhole) {
    const app::ParsedCommandLine parsed = app::ParseCommandLine(GetParam().arguments);
    EXPECT_EQ(Summary(parsed), GetParam().expected) << GetParam().arguments;
    EXPECT_EQ(parsed.command.has_value(), parsed.error.empty()) << "a refusal says why, an acceptance not";
}

INSTANTIATE_TEST_SUITE_P(
    Lines,
    CommandLineTest,
    ::testing::Values(
        // Accepted.
        LineCase{"", "wizard"},
        LineCase{"   \t ", "wizard"},
        LineCase{"/S", "silent"},
        LineCase{"-s", "silent"},
        LineCase{"/S \"/D=D:\\CAD Tools\"", "silent root=D:\\CAD Tools"},
        LineCase{"/s /d=\"D:\\CAD Tools\"", "silent root=D:\\CAD Tools"},
        LineCase{"/D=D:\\工具 /LOG=C:\\日志.txt", "wizard root=D:\\工具 log=C:\\日志.txt"},
        // "乗" ends in the byte of "\"; a "\" before a quote does not escape it (paths end in one).
        LineCase{"\"/D=C:\\乗\" /S", "silent root=C:\\乗"},
        LineCase{"\"/D=D:\\CAD Tools\\\" /S", "silent root=D:\\CAD Tools\\"},
        LineCase{"/S /RELEASES=ALL", "silent releases=all"},
        LineCase{"/S /releases=2010,2018", "silent releases=2010,2018"},
        LineCase{"/S /RELEASES=2009", "silent releases=2009"},
        LineCase{"/S /releases=all", "silent releases=all"},
        LineCase{"/S /KEEP=ALL", "silent keep=SCD"},
        LineCase{"/S /KEEP=none", "silent keep=---"},
        LineCase{"/S /KEEP=DRAWINGS,settings", "silent keep=S-D"},
        // NSIS: an unquoted /D= as the last switch takes the rest of the line, spaces and all.
        LineCase{"/S /D=C:\\CAD Tools", "silent root=C:\\CAD Tools"},
        LineCase{"/LOG=C:\\l.txt -d=D:\\CAD  工具 箱\\ \t ", "wizard root=D:\\CAD  工具 箱\\ log=C:\\l.txt"},
        LineCase{"/S /D=C:\\乗 A", "silent root=C:\\乗 A"},
        LineCase{"/D=C:\\Tools /S", "silent root=C:\\Tools"},
        LineCase{"/S /D=C:\\A \"B\"", "refused"},
        LineCase{"/D=C:\\CAD Tools /S", "refused"},
        LineCase{"/D=C:\\CAD Tools -s", "refused"},
        LineCase{"/S /D=C:\\A B /D=C:\\C", "refused"},
        LineCase{"install /D=C:\\A B", "refused"},
        LineCase{"/S /D=  ", "refused"},
        // The spellings of /S that other installers use, one per line.
        LineCase{"/SILENT", "silent"},
        LineCase{"-VerySilent", "silent"},
        LineCase{"/quiet /LOG=C:\\q.log", "silent log=C:\\q.log"},
        LineCase{"/UNINSTALL -QUIET", "uninstall /S"},
        LineCase{"/S /QUIET", "refused"},
        // msiexec's spellings, and Inno Setup's name of the folder.
        LineCase{"/qn", "silent"},
        LineCase{"/QN /LOG=C:\\q.log", "silent log=C:\\q.log"},
        LineCase{"-passive", "silent"},
        LineCase{"/UNINSTALL /passive", "uninstall /S"},
        LineCase{"/qn /quiet", "refused"},
        LineCase{"/QN=1", "refused"},
        LineCase{"/QB", "refused"},
        LineCase{"/VERYSILENT /DIR=D:\\Tools", "silent root=D:\\Tools"},
        LineCase{"/S \"/dir=D:\\CAD Tools\"", "silent root=D:\\CAD Tools"},
        LineCase{"/S /Dir=C:\\CAD Tools", "silent root=C:\\CAD Tools"},
        LineCase{"/DIR=C:\\CAD Tools /S", "refused"},
        LineCase{"/D=C:\\A /DIR=C:\\B", "refused"},
        LineCase{"/DIR=", "refused"},
        LineCase{"/DIRECTORY=C:\\A", "refused"},
        LineCase{"/VERYSILENT=1", "refused"},
        // Inno Setup's companions of /VERYSILENT are taken and change nothing.
        LineCase{"/VERYSILENT /SUPPRESSMSGBOXES /NORESTART", "silent"},
        LineCase{"/UNINSTALL /S -norestart", "uninstall /S"},
        LineCase{"/NORESTART=1", "refused"},
        LineCase{"/S /AllowDowngrade", "silent downgrade"},
        LineCase{"/UNINSTALL /ALLOWDOWNGRADE", "refused"},
        LineCase{"/ALLOWDOWNGRADE=1", "refused"},
        LineCase{"/?", "help"},
        LineCase{"/S -HELP", "help /S"},
        LineCase{"/S /?", "help /S"},
        LineCase{"/? -help", "help"},
        LineCase{"/UNINSTALL", "uninstall"},
        LineCase{"/UNINSTALL /S /LOG=C:\\u.log", "uninstall /S log=C:\\u.log"},
        LineCase{"/USERPROGRAM=C:\\用户\\BrelixUser.exe", "user program to=C:\\用户\\BrelixUser.exe"},
        LineCase{"/S /userprogram=C:\\U.exe /LOG=C:\\u.log", "user program /S log=C:\\u.log to=C:\\U.exe"},
        // Refused: unknown switches and stray words.
        LineCase{"/Q", "refused"},
        LineCase{"/QUIETLY", "refused"},
        LineCase{"install", "refused"},
        LineCase{"/S \"\"", "refused"},
        LineCase{"/", "refused"},
        LineCase{"/D D:\\Tools", "refused"},
        // Refused: malformed or missing values, values where none belongs, repeats.
        LineCase{"/D=", "refused"},
        LineCase{"/D", "refused"},
        LineCase{"/S=1", "refused"},
        LineCase{"/S /S", "refused"},
        LineCase{"/D=C:\\A /D=C:\\B", "refused"},
        LineCase{"/LOG=", "refused"},
        LineCase{"/RELEASES=", "refused"},
        LineCase{"/RELEASES=10", "refused"},
        LineCase{"/RELEASES=20100", "refused"},
        LineCase{"/RELEASES=20O9", "refused"},
        LineCase{"/RELEASES=2010,,2018", "refused"},
        LineCase{"/RELEASES=2010,2010", "refused"},
        LineCase{"/RELEASES=2010;2018", "refused"},
        LineCase{"/RELEASES=ALL,2010", "refused"},
        LineCase{"/KEEP=", "refused"},
        LineCase{"/KEEP=SETTINGS,SETTINGS", "refused"},
        LineCase{"/KEEP=CONFIG", "refused"},
        LineCase{"/UNINSTALL /D=C:\\A", "refused"},
        LineCase{"/UNINSTALL /RELEASES=ALL", "refused"},
        LineCase{"/UNINSTALL /KEEP=NONE", "refused"},
        // Writing the per-user program takes only /S and /LOG besides, and one file.
        LineCase{"/USERPROGRAM=", "refused"},
        LineCase{"/USERPROGRAM", "refused"},
        LineCase{"/USERPROGRAM=C:\\A.exe /USERPROGRAM=C:\\B.exe", "refused"},
        LineCase{"/USERPROGRAM=C:\\A.exe /UNINSTALL", "refused"},
        LineCase{"/USERPROGRAM=C:\\A.exe /D=C:\\A", "refused"},
        LineCase{"/USERPROGRAM=C:\\A.exe /RELEASES=ALL", "refused"},
        LineCase{"/USERPROGRAM=C:\\A.exe /KEEP=ALL", "refused"},
        LineCase{"/? /USERPROGRAM=C:\\A.exe", "refused"}));

// The program's name as deployment tools and scripts write it, quoted or not, in folders with spaces
// or Chinese characters.
TEST(CommandLineProgramName, EndsAtTheFirstBlankOutsideQuotes) {
    const struct {
        const char* line;
        const char* arguments;
    } cases[] = {
        {"C:\\软件\\SetUp.exe /S /KEEP=ALL", "/S /KEEP=ALL"},
        {"C:\\功能\\SetUp.exe\t/S", "/S"},
        {"\"C:\\Windows\\ccmcache\\a b\\中文\\SetUp.exe\" /s \"/D=C:\\CAD 工具\"", "/s \"/D=C:\\CAD 工具\""},
        {"\"C:\\a b\\SetUp.exe\"/S", ""},
        {"C:\\\"a b\"\\SetUp.exe  /S /D=C:\\CAD Tools\t ", "/S /D=C:\\CAD Tools\t "},
        {"SetUp.exe", ""},
        {"\"SetUp.exe", ""},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::ArgumentsAfterProgram(c.line), c.arguments) << c.line;
}

TEST(CommandLineRefusals, UnknownSwitchesAreCalledUnknownWithOrWithoutAValue) {
    for (const char* line : {"/Q", "/quietly", "/SUPRESSMSGBOXES", "-noreboot", "/x=1", "/S /DIRS=C:\\A"}) {
        const auto parsed = app::ParseCommandLine(line);
        EXPECT_EQ(parsed.error.rfind("无法识别的开关：", 0), 0u) << line << ": " << parsed.error;
    }
}

TEST(CommandLineLimits, RootAndLogMustFitAPathBuffer) {
    const std::string fits(259 - 3, 'a');
    const std::string tooLong(260 - 3, 'a');
    EXPECT_EQ(Summary(app::ParseCommandLine("/D=C:\\" + fits)), "wizard root=C:\\" + fits);
    EXPECT_EQ(Summary(app::ParseCommandLine("/D=C:\\" + tooLong)), "refused");
    EXPECT_EQ(Summary(app::ParseCommandLine("/LOG=C:\\" + tooLong)), "refused");
}

}  // namespace
