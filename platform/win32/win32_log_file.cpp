#include "platform/win32/win32_log_file.h"

#include <vector>

#include "platform/number_text.h"
#include "platform/text936.h"
#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_files.h"

namespace platform::win32 {

namespace {

constexpr UINT kCodePage936 = 936;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::string OneLine(const std::string& text) {
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r')
            continue;
        line += text[i] == '\n' ? std::string(" | ") : std::string(1, text[i]);
    }
    return line;
}

std::string TimeStamp() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    using platform::DecimalText;
    return DecimalText(now.wYear, 4) + "-" + DecimalText(now.wMonth, 2) + "-" + DecimalText(now.wDay, 2) +
           " " + DecimalText(now.wHour, 2) + ":" + DecimalText(now.wMinute, 2) + ":" +
           DecimalText(now.wSecond, 2) + "." + DecimalText(now.wMilliseconds, 3);
}

}  // namespace

std::string Utf8FromCodePage936(const std::string& text) {
    if (text.empty())
        return text;
    const int length = static_cast<int>(text.size());
    const int wide = MultiByteToWideChar(kCodePage936, 0, text.data(), length, nullptr, 0);
    if (wide <= 0)
        return std::string();
    std::vector<wchar_t> unicode(static_cast<std::size_t>(wide));
    MultiByteToWideChar(kCodePage936, 0, text.data(), length, unicode.data(), wide);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, unicode.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string utf8(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, unicode.data(), wide, &utf8[0], bytes, nullptr, nullptr);
    return utf8;
}

Win32LogFile::Win32LogFile(const std::string& path, bool createNew) {
    // Whoever may write the folder could have put a link or a device name where the log goes, to
    // have this elevated run empty or write another file: nothing is cut before the file is known
    // to be an ordinary one, in that folder under that name. Wine follows a final link despite
    // FILE_FLAG_OPEN_REPARSE_POINT, and shows no reparse point for a link to a file: there the
    // final path tells, of the file and of its folder.
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        Fail(ERROR_CANT_ACCESS_FILE);
        return;
    }
    char full[MAX_PATH] = {};
    const DWORD fullLength = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    const std::size_t separator =
        text936::FindLastBackslash(std::string(full, fullLength < MAX_PATH ? fullLength : 0));
    if (fullLength == 0 || fullLength >= MAX_PATH || separator == text936::npos) {
        Fail(fullLength == 0 ? GetLastError() : ERROR_FILENAME_EXCED_RANGE);
        return;
    }
    // "C:" alone would be the drive's current folder.
    const std::string folder(full, separator == 2 ? 3 : separator);
    UniqueFile file(CreateFileA(full, GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                                createNew ? CREATE_NEW : OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        Fail(GetLastError());
        return;
    }
    const bool made = GetLastError() != ERROR_ALREADY_EXISTS;
    UniqueFile folderHandle(CreateFileA(folder.c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    // No level of the folder may lead elsewhere either: its final path is its own long name.
    char longFolder[MAX_PATH] = {};
    const DWORD longLength = GetLongPathNameA(folder.c_str(), longFolder, MAX_PATH);
    const std::string folderFinal = folderHandle ? FinalPathOfHandle(folderHandle.get()) : std::string();
    const bool folderItself = longLength > 0 && longLength < MAX_PATH &&
                              text936::EqualsNoCase(text936::WithoutTrailingBackslash(folderFinal),
                                                    text936::WithoutTrailingBackslash(longFolder));
    const std::string expected =
        folderItself ? text936::WithoutTrailingBackslash(folderFinal) + (full + separator) : std::string();
    BY_HANDLE_FILE_INFORMATION info{};
    // A second name of the file may be anywhere: writing to it would write that file too. A log
    // asked for is appended to, so that the runs of a deployment (install, retry, uninstall) stay
    // in one file.
    LARGE_INTEGER end{};
    if (GetFileType(file.get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(file.get(), &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || info.nNumberOfLinks > 1 ||
        expected.empty() || !text936::EqualsNoCase(FinalPathOfHandle(file.get()), expected) ||
        !SetFilePointerEx(file.get(), LARGE_INTEGER{}, &end, FILE_END)) {
        // Not an ordinary file of its own under that name (a link, a second name, a device).
        Fail(ERROR_CANT_ACCESS_FILE);
        // What the open made where a link led goes again.
        if (made) {
            FILE_DISPOSITION_INFO disposition{TRUE};
            SetFileInformationByHandle(file.get(), FileDispositionInfo, &disposition, sizeof disposition);
        }
        return;
    }
    file_ = std::move(file);
    if (end.QuadPart == 0 && !WriteBytes(kByteOrderMark)) {
        Fail(GetLastError());
        file_.reset();
    }
}

void Win32LogFile::Fail(unsigned long code) {
    SetLastError(code);
    failure_ = Win32Environment().LastError();
}

bool Win32LogFile::WriteLine(const std::string& text) {
    if (!file_)
        return false;
    if (WriteBytes(TimeStamp() + "  " + Utf8FromCodePage936(OneLine(text)) + "\r\n"))
        return true;
    Fail(GetLastError());
    return false;
}

bool Win32LogFile::WriteBytes(const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace platform::win32
