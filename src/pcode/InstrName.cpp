#include "pcode/InstrName.h"

namespace zk {

const std::string& TInstrName::EmptyText() {
    static const std::string empty;
    return empty;
}

} // namespace zk
