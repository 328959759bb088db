#include "model_list.h"

#include <algorithm>

#include "option_parser.h"

namespace speech {
namespace {

std::vector<std::string_view> Tokens(std::string_view text) {
    std::vector<std::string_view> tokens;
    std::size_t at = 0;
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (at < text.size()) {
        while (at < text.size() && blank(text[at])) {
            ++at;
        }
        const std::size_t start = at;
        while (at < text.size() && !blank(text[at])) {
            ++at;
        }
        if (at > start) {
            tokens.push_back(text.substr(start, at - start));
        }
    }
    return tokens;
}

}  // namespace

std::optional<std::vector<ModelEntry>> ParseModelList(std::string_view text) {
    const std::vector<std::string_view> tokens = Tokens(text);
    if (tokens.empty() || tokens.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<ModelEntry> models;
    for (std::size_t i = 0; i < tokens.size(); i += 2) {
        int index = 0;
        if (!ParseInt(tokens[i], index) || index != static_cast<int>(models.size())) {
            return std::nullopt;
        }
        const std::string_view name = tokens[i + 1];
        if (std::any_of(models.begin(), models.end(),
                        [name](const ModelEntry& model) { return model.name == name; })) {
            return std::nullopt;
        }
        models.push_back({std::string(name), name == "sil"});
    }
    return models;
}

}  // namespace speech
