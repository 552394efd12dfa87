// Transformer ratios typed into a site's form.
#include "analysis/transformer_ratio.h"

#include <charconv>
#include <cmath>
#include <string>

namespace pm {
namespace {

constexpr std::string_view kDirect = "直接接入";

std::string_view trimmed(std::string_view text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<double> positiveNumber(std::string_view text) {
    text = trimmed(text);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc{} || end != text.data() + text.size() ||
        !std::isfinite(value) || value <= 0) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<TransformerRatio> parseTransformerRatio(std::string_view text) {
    text = trimmed(text);
    if (text.empty() || text == kDirect) {
        return TransformerRatio{};
    }
    const std::size_t slash = text.find('/');
    if (slash == std::string_view::npos || text.find('/', slash + 1) != std::string_view::npos) {
        return std::nullopt;
    }
    const std::optional<double> primary = positiveNumber(text.substr(0, slash));
    const std::optional<double> secondary = positiveNumber(text.substr(slash + 1));
    if (!primary || !secondary || *secondary > *primary) {
        return std::nullopt;
    }
    return TransformerRatio{*primary, *secondary, false};
}

}  // namespace pm
