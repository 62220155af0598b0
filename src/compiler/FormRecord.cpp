// Recording forms and turning the records into the form map. A form's
// arguments are recorded after it, so a parent's index is always below its
// children's; the passes over forms rely on that order.
#include "compiler/FormRecord.h"

#include "frontend/FileIO.h"
#include "frontend/TextEncoding.h"

#include <algorithm>
#include <unordered_map>

namespace zk {

namespace {

// Finds, for a position of the preprocessed text, the file and offset of the
// byte there. Unlike TSource::ResolvePosition, which places an error at the
// end of the segment before a boundary, a form's byte is the byte itself.
class TPlacer {
public:
    explicit TPlacer(const TSource& source) : Segments_(source.Segments()) {
        int64_t start = 0;
        for (const TSegment& segment : Segments_) {
            Starts_.push_back(start);
            start += segment.Length;
        }
    }

    struct TPlaced {
        uint32_t FileIndex = 0;
        int32_t Offset = 0;
    };

    TPlaced Place(int32_t pos) const {
        if (Segments_.empty()) return {0, pos};
        const auto after = std::upper_bound(Starts_.begin(), Starts_.end(), int64_t{pos});
        const std::size_t i = after == Starts_.begin() ? 0 : (after - Starts_.begin()) - 1;
        const TSegment& segment = Segments_[i];
        return {segment.FileIndex, static_cast<int32_t>(segment.Start + (pos - Starts_[i]))};
    }

private:
    const std::vector<TSegment>& Segments_;
    std::vector<int64_t> Starts_;
};

std::vector<int32_t> LineStartsOfFile(const std::string& path) {
    return LineStartsOf(DecodeText(ReadWholeFile(path)).Text);
}

// The map's file for each file of the source, added as the forms meet them.
class TFileTable {
public:
    TFileTable(const TSource& source, const std::string& mainText, TFormMap& map)
        : Source_(source), MainText_(mainText), Map_(map) {}

    int32_t IndexOf(uint32_t sourceFile) {
        const auto [it, added] = Index_.try_emplace(sourceFile, -1);
        if (!added) return it->second;
        const std::vector<std::string>& paths = Source_.FilePaths();
        const std::string path = sourceFile < paths.size() ? paths[sourceFile] : std::string();
        it->second = static_cast<int32_t>(Map_.Files.size());
        Map_.Files.push_back(path);
        Map_.LineStarts.push_back(sourceFile == 0 ? LineStartsOf(MainText_)
                                                  : LineStartsOfFile(path));
        return it->second;
    }

private:
    const TSource& Source_;
    const std::string& MainText_;
    TFormMap& Map_;
    std::unordered_map<uint32_t, int32_t> Index_;
};

// For every instruction, the function whose run from its entry to its Ret
// holds it; -1 outside every function record.
std::vector<int32_t> FunctionOfInstr(const TPCode& code) {
    std::vector<int32_t> functionOf(code.Code.size(), -1);
    for (std::size_t f = 0; f < code.Functions.size(); ++f) {
        const int32_t entry = code.Functions[f].Entry;
        if (entry < 0) continue;
        for (auto at = static_cast<std::size_t>(entry); at < code.Code.size(); ++at) {
            if (functionOf[at] != -1) break;
            functionOf[at] = static_cast<int32_t>(f);
            if (code.Code[at].OpCode == opRet) break;
        }
    }
    return functionOf;
}

} // namespace

int32_t TFormRecord::Open(TFormKind kind, std::string_view head, int32_t first, int32_t parent) {
    Forms.push_back({kind, std::string(head), first, first, parent});
    return static_cast<int32_t>(Forms.size() - 1);
}

void TFormRecord::Assign(int32_t from, int32_t to, int32_t form) {
    if (to <= from) return;
    if (FormOfInstr.size() < static_cast<std::size_t>(to))
        FormOfInstr.resize(static_cast<std::size_t>(to), -1);
    std::fill(FormOfInstr.begin() + from, FormOfInstr.begin() + to, form);
}

TFormMap ModuleFormMap(const TFormRecord& record, const TSource& source,
                       const std::string& mainText, int32_t instrCount) {
    TFormMap map;
    const TPlacer placer(source);
    TFileTable files(source, mainText, map);
    map.Forms.reserve(record.Forms.size());
    for (const TRecordedForm& form : record.Forms) {
        const TPlacer::TPlaced first = placer.Place(form.First);
        const TPlacer::TPlaced last = placer.Place(form.Last);
        TFormInfo info{
            form.Kind,   form.Head, files.IndexOf(first.FileIndex), first.Offset, first.Offset,
            form.Parent, -1};
        // A form that an inclusion cuts in two ends, for its own file, where it starts.
        if (last.FileIndex == first.FileIndex) info.Last = last.Offset;
        map.Forms.push_back(std::move(info));
    }
    map.FormOfInstr = record.FormOfInstr;
    map.FormOfInstr.resize(static_cast<std::size_t>(instrCount), -1);
    return map;
}

void AppendFormMap(TFormMap& into, const TFormMap& other) {
    std::vector<int32_t> fileIndex;
    for (std::size_t f = 0; f < other.Files.size(); ++f) {
        int32_t index = into.FileIndex(other.Files[f]);
        if (index == -1) {
            index = static_cast<int32_t>(into.Files.size());
            into.Files.push_back(other.Files[f]);
            into.LineStarts.push_back(other.LineStarts[f]);
        }
        fileIndex.push_back(index);
    }
    const auto formBase = static_cast<int32_t>(into.Forms.size());
    for (TFormInfo info : other.Forms) {
        if (info.File >= 0) info.File = fileIndex[static_cast<std::size_t>(info.File)];
        if (info.Parent >= 0) info.Parent += formBase;
        into.Forms.push_back(std::move(info));
    }
    for (const int32_t form : other.FormOfInstr)
        into.FormOfInstr.push_back(form < 0 ? -1 : form + formBase);
}

void AppendUnmapped(TFormMap& into, int32_t count) {
    into.FormOfInstr.insert(into.FormOfInstr.end(), static_cast<std::size_t>(count), -1);
}

void FinishFormMap(TFormMap& map, const TPCode& code) {
    const std::vector<int32_t> functionOf = FunctionOfInstr(code);
    for (std::size_t i = 0; i < map.FormOfInstr.size() && i < functionOf.size(); ++i)
        if (const int32_t form = map.FormOfInstr[i]; form >= 0)
            map.Forms[static_cast<std::size_t>(form)].Function = functionOf[i];
    // A form without instructions of its own (a sum of one argument) takes
    // its function from its arguments.
    for (std::size_t f = map.Forms.size(); f-- > 0;) {
        const TFormInfo& form = map.Forms[f];
        if (form.Function < 0 || form.Parent < 0) continue;
        TFormInfo& parent = map.Forms[static_cast<std::size_t>(form.Parent)];
        if (parent.Function < 0) parent.Function = form.Function;
    }
    // The forms of the functions the optimizer removed have no instruction left.
    std::vector<int32_t> newIndex(map.Forms.size(), -1);
    std::vector<TFormInfo> kept;
    for (std::size_t f = 0; f < map.Forms.size(); ++f) {
        TFormInfo& form = map.Forms[f];
        if (form.Function < 0) continue;
        if (form.Parent >= 0) form.Parent = newIndex[static_cast<std::size_t>(form.Parent)];
        newIndex[f] = static_cast<int32_t>(kept.size());
        kept.push_back(std::move(form));
    }
    map.Forms = std::move(kept);
    for (int32_t& form : map.FormOfInstr)
        if (form >= 0) form = newIndex[static_cast<std::size_t>(form)];
}

} // namespace zk
