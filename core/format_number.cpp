#include "core/format_number.h"

namespace gb {

std::string FormatThousands(std::string_view digits) {
    std::string out(digits);
    for (std::ptrdiff_t pos = static_cast<std::ptrdiff_t>(out.size()) - 3; pos >= 1; pos -= 3)
        out.insert(static_cast<std::size_t>(pos), 1, ',');
    return out;
}

}  // namespace gb
