// What a compile records of the forms of one module when a form map is asked
// for: every form with its place in the preprocessed text, and for every
// instruction the innermost form being compiled when it was emitted. The
// driver turns the records of the modules into the form map of the linked
// image: places resolved to files, the modules joined in the order of the
// code, the optimizer's deletions followed.
#pragma once

#include "debug/FormMap.h"
#include "frontend/Source.h"
#include "pcode/PCode.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zk {

struct TRecordedForm {
    TFormKind Kind;
    std::string Head;
    int32_t First; // positions in the preprocessed text
    int32_t Last;
    int32_t Parent;
};

struct TFormRecord {
    std::vector<TRecordedForm> Forms;
    std::vector<int32_t> FormOfInstr; // -1 where no form was open

    // A form whose last byte is not known yet; its index.
    int32_t Open(TFormKind kind, std::string_view head, int32_t first, int32_t parent);
    void Close(int32_t form, int32_t last) { Forms[static_cast<std::size_t>(form)].Last = last; }
    // Instructions `from` up to `to` (not included) belong to `form`.
    void Assign(int32_t from, int32_t to, int32_t form);
};

// The module's forms placed in the files of `source` (preprocessed), with the
// lines of each file; `mainText` is the main file's text as it was read.
TFormMap ModuleFormMap(const TFormRecord& record, const TSource& source,
                       const std::string& mainText, int32_t instrCount);

// Appends `other`, the map of the image appended to the image of `into`.
void AppendFormMap(TFormMap& into, const TFormMap& other);
// Appends `count` instructions without forms: a unit loaded from its file.
void AppendUnmapped(TFormMap& into, int32_t count);

// After the optimizer: gives every form its function in `code` and drops the
// forms of the functions that were removed.
void FinishFormMap(TFormMap& map, const TPCode& code);

} // namespace zk
