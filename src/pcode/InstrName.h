// The callee name of an instruction. Almost every instruction has none, so the
// text is held apart and an empty name costs one pointer: a loaded image of
// millions of instructions then takes a few times its file, not twenty.
#pragma once

#include <memory>
#include <ostream>
#include <string>
#include <string_view>

namespace zk {

class TInstrName {
public:
    TInstrName() = default;
    TInstrName(std::string_view text) { Assign(std::string(text)); }
    TInstrName(const std::string& text) { Assign(text); }
    TInstrName(std::string&& text) { Assign(std::move(text)); }
    TInstrName(const char* text) { Assign(text); }
    TInstrName(const TInstrName& other) { Assign(other.Text()); }
    TInstrName(TInstrName&&) noexcept = default;
    TInstrName& operator=(const TInstrName& other) {
        if (this != &other) Assign(other.Text());
        return *this;
    }
    TInstrName& operator=(TInstrName&&) noexcept = default;

    const std::string& Text() const { return Text_ ? *Text_ : EmptyText(); }
    operator const std::string&() const { return Text(); }
    bool empty() const { return Text_ == nullptr; }
    void clear() { Text_.reset(); }

    friend bool operator==(const TInstrName& name, std::string_view text) {
        return name.Text() == text;
    }
    friend std::ostream& operator<<(std::ostream& out, const TInstrName& name) {
        return out << name.Text();
    }

private:
    static const std::string& EmptyText();
    void Assign(std::string text) {
        Text_ = text.empty() ? nullptr : std::make_unique<std::string>(std::move(text));
    }

    std::unique_ptr<std::string> Text_;
};

} // namespace zk
