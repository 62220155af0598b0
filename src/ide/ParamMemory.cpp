// The parameter texts of each document's runs.
#include "ide/ParamMemory.h"

#include <algorithm>

namespace zk::ide {

std::vector<std::string> TParamMemory::Recall(std::string_view key,
                                              const std::vector<std::string>& names) const {
    std::vector<std::string> texts(names.size());
    const auto document = Texts_.find(key);
    if (document == Texts_.end()) return texts;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (const auto text = document->second.find(names[i]); text != document->second.end())
            texts[i] = text->second;
    return texts;
}

void TParamMemory::Keep(std::string_view key, const std::vector<std::string>& names,
                        const std::vector<std::string>& texts) {
    if (key.empty()) return;
    auto& kept = Texts_[std::string(key)];
    for (std::size_t i = 0; i < std::min(names.size(), texts.size()); ++i)
        kept[names[i]] = texts[i];
}

} // namespace zk::ide
