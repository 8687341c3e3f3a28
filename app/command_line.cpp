#include "app/command_line.h"

#include <cctype>

#include "platform/text936.h"

namespace app {

namespace {

// Every path goes through a 260-byte buffer somewhere; a longer one can never work.
constexpr std::size_t kPathCapacity = 260;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::vector<std::string> SplitList(const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos)
            return items;
        start = comma + 1;
    }
}

std::optional<ReleaseRequest> ParseReleases(const std::string& value) {
    ReleaseRequest request;
    if (text936::EqualsNoCase(value, "ALL")) {
        request.all = true;
        return request;
    }
    for (const std::string& item : SplitList(value)) {
        if (item.size() != 4)
            return std::nullopt;
        for (char c : item) {
            if (!std::isdigit(static_cast<unsigned char>(c)))
                return std::nullopt;
        }
        const int year = std::stoi(item);
        for (int seen : request.years) {
            if (seen == year)
                return std::nullopt;
        }
        request.years.push_back(year);
    }
    return request;
}

std::optional<KeepRequest> ParseKeep(const std::string& value) {
    KeepRequest request;
    if (text936::EqualsNoCase(value, "ALL"))
        return KeepRequest{true, true, true};
    if (text936::EqualsNoCase(value, "NONE"))
        return request;
    for (const std::string& item : SplitList(value)) {
        bool* part = nullptr;
        if (text936::EqualsNoCase(item, "SETTINGS"))
            part = &request.settings;
        else if (text936::EqualsNoCase(item, "SECTIONS"))
            part = &request.sections;
        else if (text936::EqualsNoCase(item, "DRAWINGS"))
            part = &request.drawings;
        if (!part || *part)
            return std::nullopt;
        *part = true;
    }
    return request;
}

bool UsablePath(const std::string& value) {
    return !value.empty() && text936::FitsBuffer(value, kPathCapacity);
}

ParsedCommandLine Refuse(const std::string& why) {
    return ParsedCommandLine{std::nullopt, why};
}

// The spellings of /S that administrators bring from other installers: NSIS, Inno Setup, msiexec (whose
// /passive shows a progress bar; this program has none to show without its pages).
bool IsSilenceName(const std::string& upperName) {
    for (const char* known : {"S", "SILENT", "VERYSILENT", "QUIET", "QN", "PASSIVE"}) {
        if (upperName == known)
            return true;
    }
    return false;
}

// Inno Setup calls the installation folder /DIR=; it is /D= here.
std::string CanonicalValueName(const std::string& upperName) {
    return upperName == "DIR" ? std::string("D") : upperName;
}

// Inno Setup's companions of /VERYSILENT in deployment lines. They ask for nothing this program would
// do anyway: it never restarts Windows, and a silent run shows no box.
bool IsNoEffectName(const std::string& upperName) {
    return upperName == "NORESTART" || upperName == "SUPPRESSMSGBOXES";
}

bool IsFlagName(const std::string& upperName) {
    return IsSilenceName(upperName) || upperName == "?" || upperName == "HELP" || upperName == "UNINSTALL" ||
           upperName == "ALLOWDOWNGRADE";
}

bool IsValueName(const std::string& upperName) {
    for (const char* known : {"D", "LOG", "USERPROGRAM", "RELEASES", "KEEP"}) {
        if (upperName == known)
            return true;
    }
    return false;
}

struct Word {
    std::string text;   // quotes removed
    std::size_t start;  // where it begins in the line (at its first quote, if it has one)
};

std::vector<Word> SplitWords(const std::string& arguments) {
    std::vector<Word> words;
    Word word{std::string(), 0};
    bool inWord = false;
    bool quoted = false;
    const auto begin = [&](std::size_t i) {
        if (!inWord)
            word.start = i;
        inWord = true;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const char c = arguments[i];
        // A double-byte character is taken whole (its trail byte may be the code of "\").
        if (text936::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < arguments.size()) {
            begin(i);
            word.text += c;
            word.text += arguments[++i];
        } else if (c == '"') {
            begin(i);
            quoted = !quoted;
        } else if (IsBlank(c) && !quoted) {
            if (inWord)
                words.push_back(word);
            word.text.clear();
            inWord = false;
        } else {
            begin(i);
            word.text += c;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

// Whether the unquoted switch at `at` is /D= or /DIR=, in any letter case.
bool IsBareRoot(const std::string& arguments, std::size_t at) {
    if (arguments[at] != '/' && arguments[at] != '-')
        return false;
    for (const char* name : {"D=", "DIR="}) {
        const std::string n(name);
        if (arguments.size() >= at + 1 + n.size() &&
            text936::ToUpper(arguments.substr(at + 1, n.size())) == n)
            return true;
    }
    return false;
}

// The words of the line, where an unquoted /D= (or /DIR=) followed by no other switch takes the rest
// of the line as NSIS does: spaces and all, without the blanks at its end.
std::vector<std::string> SwitchWords(const std::string& arguments) {
    const std::vector<Word> words = SplitWords(arguments);
    std::vector<std::string> texts;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::size_t at = words[i].start;
        const bool bareRoot = IsBareRoot(arguments, at);
        bool last = arguments.find('"', at) == std::string::npos;
        for (std::size_t j = i + 1; j < words.size() && last; ++j)
            last = words[j].text[0] != '/' && words[j].text[0] != '-';
        if (bareRoot && last) {
            std::size_t end = arguments.size();
            while (end > at && IsBlank(arguments[end - 1]))
                --end;
            texts.push_back(arguments.substr(at, end - at));
            return texts;
        }
        texts.push_back(words[i].text);
    }
    return texts;
}

}  // namespace

std::string ArgumentsAfterProgram(const std::string& commandLine) {
    std::size_t i = 0;
    bool quoted = false;
    for (; i < commandLine.size() && (quoted || (commandLine[i] != ' ' && commandLine[i] != '\t')); ++i) {
        if (commandLine[i] == '"')
            quoted = !quoted;
    }
    while (i < commandLine.size() && (commandLine[i] == ' ' || commandLine[i] == '\t'))
        ++i;
    return commandLine.substr(i);
}

std::vector<std::string> SplitArguments(const std::string& arguments) {
    std::vector<std::string> words;
    for (const Word& word : SplitWords(arguments))
        words.push_back(word.text);
    return words;
}

bool AsksForNoBox(const std::string& arguments) {
    for (const std::string& word : SplitArguments(arguments)) {
        if (word.size() < 2 || (word[0] != '/' && word[0] != '-'))
            continue;
        const std::string name = text936::ToUpper(word.substr(1, word.find('=') - 1));
        if (IsSilenceName(name) || name == "LOG" || name == "SUPPRESSMSGBOXES")
            return true;
    }
    return false;
}

std::string LogPathOf(const std::string& arguments) {
    for (const std::string& word : SplitArguments(arguments)) {
        const std::string name = text936::ToUpper(word.substr(0, 5));
        if (name == "/LOG=" || name == "-LOG=")
            return word.substr(5);
    }
    return std::string();
}

ParsedCommandLine ParseCommandLine(const std::string& arguments) {
    CommandLine command;
    bool help = false;
    bool uninstall = false;
    for (const std::string& word : SwitchWords(arguments)) {
        if (word.size() < 2 || (word[0] != '/' && word[0] != '-'))
            return Refuse("无法识别的参数：" + word);
        const std::size_t equals = word.find('=');
        const std::string name = CanonicalValueName(
            text936::ToUpper(word.substr(1, equals == std::string::npos ? std::string::npos : equals - 1)));
        const bool hasValue = equals != std::string::npos;
        const std::string value = hasValue ? word.substr(equals + 1) : std::string();

        if (IsNoEffectName(name)) {
            if (hasValue)
                return Refuse("开关 " + word + " 不带值");
            continue;
        }
        if (IsFlagName(name)) {
            if (hasValue)
                return Refuse("开关 " + word + " 不带值");
            bool& flag = IsSilenceName(name)        ? command.silent
                         : name == "UNINSTALL"      ? uninstall
                         : name == "ALLOWDOWNGRADE" ? command.allowDowngrade
                                                    : help;
            if (flag && name != "?" && name != "HELP")
                return Refuse("开关重复：" + word);
            flag = true;
            continue;
        }
        if (!IsValueName(name))
            return Refuse("无法识别的开关：" + word);
        if (!hasValue)
            return Refuse("开关 " + word + " 需要一个值");
        if (name == "D") {
            if (command.root || !UsablePath(value))
                return Refuse("安装路径无效或重复：" + word);
            command.root = value;
        } else if (name == "LOG") {
            if (command.logFile || !UsablePath(value))
                return Refuse("日志文件无效或重复：" + word);
            command.logFile = value;
        } else if (name == "USERPROGRAM") {
            if (command.userProgram || !UsablePath(value))
                return Refuse("文件名无效或重复：" + word);
            command.userProgram = value;
        } else if (name == "RELEASES") {
            auto releases = ParseReleases(value);
            if (command.releases || !releases)
                return Refuse("版本列表无效或重复：" + word);
            command.releases = releases;
        } else if (name == "KEEP") {
            auto keep = ParseKeep(value);
            if (command.keep || !keep)
                return Refuse("保留选项无效或重复：" + word);
            command.keep = keep;
        }
    }

    if (command.userProgram &&
        (help || uninstall || command.root || command.releases || command.keep || command.allowDowngrade))
        return Refuse("写出 BrelixUser.exe 时只能使用 /S 和 /LOG");
    if (command.userProgram) {
        command.mode = RunMode::WriteUserProgram;
    } else if (help) {
        command.mode = RunMode::Help;
    } else if (uninstall) {
        // An uninstallation removes what the record names: the install choices mean nothing to it.
        if (command.root || command.releases || command.keep || command.allowDowngrade)
            return Refuse("卸载时只能使用 /S 和 /LOG");
        command.mode = RunMode::Uninstall;
    } else if (command.silent) {
        command.mode = RunMode::Silent;
    }
    return ParsedCommandLine{command, ""};
}

}  // namespace app
