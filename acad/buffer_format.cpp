#include "acad/buffer_format.h"

#include <cstdarg>

namespace acad {

namespace {

// Understands %s, %d and %%, all this program's names need; the compiler checks the arguments
// against the format. Any other directive makes the whole text invalid rather than half-formatted.
std::optional<std::string> FormatList(const char* format, va_list args) {
    std::string text;
    for (const char* at = format; *at != '\0'; ++at) {
        if (*at != '%') {
            text += *at;
            continue;
        }
        switch (*++at) {
            case 's':
                text += va_arg(args, const char*);
                break;
            case 'd':
                text += std::to_string(va_arg(args, int));
                break;
            case '%':
                text += '%';
                break;
            default:
                return std::nullopt;
        }
    }
    return text;
}

}  // namespace

std::optional<std::string> FormatFitting(std::size_t capacity, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::optional<std::string> text = FormatList(format, args);
    va_end(args);
    if (!text || text->size() + 1 > capacity)
        return std::nullopt;
    return text;
}

std::string FormatText(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::optional<std::string> text = FormatList(format, args);
    va_end(args);
    return text ? *text : std::string();
}

}  // namespace acad
