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

}  // namespace

std::vector<std::string> SplitArguments(const std::string& arguments) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const char c = arguments[i];
        // A double-byte character is taken whole (its trail byte may be the code of "\").
        if (text936::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < arguments.size()) {
            word += c;
            word += arguments[++i];
            inWord = true;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (IsBlank(c) && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

ParsedCommandLine ParseCommandLine(const std::string& arguments) {
    CommandLine command;
    bool help = false;
    bool uninstall = false;
    for (const std::string& word : SplitArguments(arguments)) {
        if (word.size() < 2 || (word[0] != '/' && word[0] != '-'))
            return Refuse("无法识别的参数：" + word);
        const std::size_t equals = word.find('=');
        const std::string name =
            text936::ToUpper(word.substr(1, equals == std::string::npos ? std::string::npos : equals - 1));
        const bool hasValue = equals != std::string::npos;
        const std::string value = hasValue ? word.substr(equals + 1) : std::string();

        if (name == "S" || name == "?" || name == "HELP" || name == "UNINSTALL") {
            if (hasValue)
                return Refuse("开关 " + word + " 不带值");
            bool& flag = name == "S" ? command.silent : name == "UNINSTALL" ? uninstall : help;
            if (flag && name != "?" && name != "HELP")
                return Refuse("开关重复：" + word);
            flag = true;
            continue;
        }
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
        } else {
            return Refuse("无法识别的开关：" + word);
        }
    }

    if (command.userProgram && (help || uninstall || command.root || command.releases || command.keep))
        return Refuse("写出 BrelixUser.exe 时只能使用 /S 和 /LOG");
    if (command.userProgram) {
        command.mode = RunMode::WriteUserProgram;
    } else if (help) {
        command.mode = RunMode::Help;
    } else if (uninstall) {
        // An uninstallation removes what the record names: the install choices mean nothing to it.
        if (command.root || command.releases || command.keep)
            return Refuse("卸载时只能使用 /S 和 /LOG");
        command.mode = RunMode::Uninstall;
    } else if (command.silent) {
        command.mode = RunMode::Silent;
    }
    return ParsedCommandLine{command, ""};
}

}  // namespace app
