#include "platform/path_names.h"

#include "platform/text936.h"

namespace platform {

bool IsDeviceName(const std::string& name) {
    std::string base = text936::ToUpper(name.substr(0, name.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL")
        return true;
    return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) &&
           base[3] >= '1' && base[3] <= '9';
}

bool EndsInDotOrSpace(const std::string& name) {
    // Neither byte is ever the second byte of a double-byte character.
    return !name.empty() && (name.back() == '.' || name.back() == ' ');
}

}  // namespace platform
