#pragma once
// printf-style formatting (%s, %d and %% only) into the fixed buffers that the registry and file names of the
// AutoCAD integration go through. A text that would not fit is refused instead of being cut,
// so that a truncated name can never reach the registry or the disk.

#include <cstddef>
#include <optional>
#include <string>

namespace acad {

// Registry entry names, file paths and search patterns (259 bytes of text and the zero).
constexpr std::size_t kNameBufferSize = 260;
// Enumerated key names and values read during discovery.
constexpr std::size_t kEnumBufferSize = 256;
// A TRUSTEDPATHS value, read or built.
constexpr std::size_t kTrustedPathsBufferSize = 13000;

// The formatted text when it fits `capacity` bytes with its terminating zero; nullopt otherwise,
// and for a format with any other directive.
std::optional<std::string> FormatFitting(std::size_t capacity, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

// The formatted text, whatever its length; empty for a format with any other directive.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace acad
