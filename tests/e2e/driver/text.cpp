#include "tests/e2e/driver/text.h"

#include <windows.h>

#include <cwchar>

namespace guidriver {

std::wstring FromUtf8(const std::string& text) {
    if (text.empty())
        return {};
    int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::string ToUtf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string narrow(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(), length,
                        nullptr, nullptr);
    return narrow;
}

static void WriteLine(DWORD which, const std::wstring& line) {
    std::string bytes = ToUtf8(line) + "\n";
    DWORD written = 0;
    HANDLE handle = GetStdHandle(which);
    WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    FlushFileBuffers(handle);
}

void Say(const std::wstring& line) {
    WriteLine(STD_OUTPUT_HANDLE, line);
}

void Complain(const std::wstring& message) {
    WriteLine(STD_ERROR_HANDLE, L"error: " + message);
}

std::vector<std::wstring> SplitWords(const std::wstring& line) {
    std::vector<std::wstring> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == L' ' || line[i] == L'\t' || line[i] == L'\r'))
            ++i;
        if (i >= line.size())
            break;
        std::wstring word;
        if (line[i] == L'"') {
            size_t end = line.find(L'"', i + 1);
            if (end == std::wstring::npos)
                end = line.size();
            word = line.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            size_t end = line.find_first_of(L" \t\r", i);
            if (end == std::wstring::npos)
                end = line.size();
            word = line.substr(i, end - i);
            i = end;
        }
        words.push_back(word);
    }
    return words;
}

bool ParseInt(const std::wstring& text, long& value) {
    if (text.empty())
        return false;
    wchar_t* end = nullptr;
    long parsed = std::wcstol(text.c_str(), &end, 10);
    if (end == nullptr || *end != L'\0')
        return false;
    value = parsed;
    return true;
}

}  // namespace guidriver
