#pragma once

#include <string>

namespace pm {

struct FontSpec {
    std::string family;
    double points = 0;
    bool bold = false;
    bool operator==(const FontSpec&) const = default;
};

}  // namespace pm
