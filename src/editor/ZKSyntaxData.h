// The ZK language for the highlighter: its keywords, signs, comments, and the
// QUOTE form coloured as a string lexem from its bracket to the balancing one.
#pragma once

#include "editor/SyntaxData.h"

namespace zk::editor {

class TDCZKSyntaxData : public TDCCustomSyntaxData {
public:
    TDCZKSyntaxData();

protected:
    int32_t ScanString(int32_t pos) override;
    void InitLanguage() override;
    void InitColors() override;
};

} // namespace zk::editor
