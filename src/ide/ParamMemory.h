// The parameter texts typed at a document's runs, offered again at its next
// run. A document is known by a key its caller chooses (its file's path, or
// its slot while it is untitled); a text is kept under its argument's name,
// so that a program whose arguments changed still gets the texts of the names
// it kept. Texts are Windows-1251, as typed.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace zk::ide {

class TParamMemory {
public:
    // One text per name: the last one kept for it, else the empty text.
    std::vector<std::string> Recall(std::string_view key,
                                    const std::vector<std::string>& names) const;
    // The texts of `names`, in the same order. An empty key keeps nothing.
    void Keep(std::string_view key, const std::vector<std::string>& names,
              const std::vector<std::string>& texts);

private:
    std::map<std::string, std::map<std::string, std::string>, std::less<>> Texts_;
};

} // namespace zk::ide
