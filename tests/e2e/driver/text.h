#pragma once
// Text conversions and console output of the GUI driver.
//
// The driver works in UTF-16 throughout: window texts are read with the W functions, so a caption that
// the ANSI program set in code page 936 comes back as the Unicode the user sees. Scripts and the
// command line are UTF-8 on the Linux side; output is written back as UTF-8 so that the calling shell
// script can compare it with its own strings.
#include <string>
#include <vector>

namespace guidriver {

std::wstring FromUtf8(const std::string& text);
std::string ToUtf8(const std::wstring& text);

// Writes one line (UTF-8, "\n" appended) to standard output and flushes it.
void Say(const std::wstring& line);
// Writes "error: <message>" to standard error.
void Complain(const std::wstring& message);

// Splits a script line into words at spaces and tabs; "double quoted" words keep their spaces
// (button texts such as "取  消" have two). An unmatched quote runs to the end of the line.
std::vector<std::wstring> SplitWords(const std::wstring& line);

// Parses a decimal integer; false when the text is not one.
bool ParseInt(const std::wstring& text, long& value);

}  // namespace guidriver
