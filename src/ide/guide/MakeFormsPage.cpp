// Writes the help guide's page of the built-in forms from the table that
// hovers and completion read too, so the three never disagree.
//
//   make-forms-page FILE
#include "analysis/BuiltinForms.h"

#include <fstream>
#include <iostream>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: make-forms-page FILE\n";
        return 64;
    }
    std::ofstream page(argv[1], std::ios::binary);
    page << zk::analysis::FormsGuideHtml();
    page.close();
    if (!page) {
        std::cerr << "make-forms-page: cannot write " << argv[1] << '\n';
        return 73;
    }
    return 0;
}
