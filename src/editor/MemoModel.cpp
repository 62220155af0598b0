// The editing model. Every public call runs inside a command scope, which
// keeps an update of the line store open (so one command is one change for
// OnChange) and, when the outermost scope closes, settles the visible part of
// the highlight cascade and sends the view's notices and the events.
#include "editor/MemoModel.h"

#include "editor/ZKSyntaxData.h"

#include <tuple>
#include <utility>

namespace zk::editor {

namespace {

// The horizontal scroll bar's range, in columns.
constexpr int32_t kHorizontalRange = 924;

bool IsBlank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return c == ' ' || c == '\t'; });
}

} // namespace

class TMemoModel::TCommandScope {
public:
    explicit TCommandScope(TMemoModel& model) : Model_(model) {
        if (Model_.CommandDepth_++ == 0) Model_.Lines_.BeginUpdate();
    }
    ~TCommandScope() {
        // The update closes while the command still counts as running, so its
        // end-change is the model's own.
        if (Model_.CommandDepth_ == 1) Model_.Lines_.EndUpdate();
        if (--Model_.CommandDepth_ == 0) Model_.Flush();
    }
    TCommandScope(const TCommandScope&) = delete;
    TCommandScope& operator=(const TCommandScope&) = delete;

private:
    TMemoModel& Model_;
};

TMemoModel::TMemoModel(std::unique_ptr<TDCCustomSyntaxData> syntax)
    : Syntax_(std::move(syntax)), Cascade_(Lines_, *Syntax_) {
    Lines_.SetObserver(this);
    Undo_.OnModifiedChanged = [this](bool modified) {
        if (OnModifiedChanged) OnModifiedChanged(modified);
    };
    Syntax_->OnColorsChanged = [this] {
        const TCommandScope scope(*this);
        Repaint(0, kToEnd);
    };
    UpdateScrollRanges();
}

TMemoModel::TMemoModel() : TMemoModel(std::make_unique<TDCZKSyntaxData>()) {}

TMemoModel::~TMemoModel() {
    Lines_.SetObserver(nullptr);
}

// Text and lines

void TMemoModel::SetText(std::string_view text) {
    const TCommandScope scope(*this);
    Lines_.SetText(text);
}

void TMemoModel::LoadFromFile(std::string_view path) {
    const TCommandScope scope(*this);
    Lines_.LoadFromFile(path);
}

void TMemoModel::ResetForNewText() {
    Undo_.Clear();
    Undo_.SetModified(false);
    Bookmarks_ = {};
    Breakpoints_.ClearAll();
    RunMarks_ = {};
    Shaded_.reset();
    Diagnostics_.Clear();
    Link_.reset();
    if (Completions_.Open()) {
        Completions_.Close();
        CompletionChanged_ = true;
    }
    Mouse_ = TMouseMode::None;
    Caret_ = {};
    SetSelectionArea({});
    ScrollTo({});
}

void TMemoModel::LinesChanged(int32_t first, int32_t last) {
    ExternalEdit_ |= CommandDepth_ == 0 && !Replacing_;
    TextTouched_ = true;
    TextEdited();
    if (EditedPastModel()) DropDiagnostics(first, last);
    Cascade_.LinesChanged(first, last);
    Repaint(first, last);
}

void TMemoModel::LinesInserted(int32_t first, int32_t last) {
    ExternalEdit_ |= CommandDepth_ == 0 && !Replacing_;
    TextTouched_ = true;
    TextEdited();
    if (EditedPastModel()) MoveDiagnostics({0, first}, {0, first}, {0, last + 1});
    Cascade_.LinesInserted(first, last);
    Breakpoints_.LinesInserted(first, last - first + 1);
    for (TBookmark& bookmark : Bookmarks_)
        if (bookmark.Set && bookmark.Pos.Row >= first) bookmark.Pos.Row += last - first + 1;
    Repaint(first, kToEnd);
    UpdateScrollRanges();
}

void TMemoModel::LinesDeleted(int32_t first, int32_t last) {
    ExternalEdit_ |= CommandDepth_ == 0 && !Replacing_;
    TextTouched_ = true;
    TextEdited();
    if (EditedPastModel()) MoveDiagnostics({0, first}, {0, last + 1}, {0, first});
    Cascade_.LinesDeleted(first, last);
    Breakpoints_.LinesDeleted(first, last - first + 1);
    // A bookmark on a deleted line goes to the line above, into which a
    // join or a block deletion has moved what stayed.
    for (TBookmark& bookmark : Bookmarks_) {
        if (!bookmark.Set || bookmark.Pos.Row < first) continue;
        bookmark.Pos.Row = bookmark.Pos.Row > last ? bookmark.Pos.Row - (last - first + 1)
                                                   : std::max(first - 1, 0);
    }
    Repaint(first, kToEnd);
    UpdateScrollRanges();
}

void TMemoModel::LinesCleared() {
    Replacing_ = true;
    TextTouched_ = true;
    Cascade_.LinesCleared();
    ResetForNewText();
    Repaint(0, kToEnd);
    UpdateScrollRanges();
}

void TMemoModel::EndChange() {
    if (Replacing_)
        Replacing_ = false;
    else
        Changed_ = true;
    if (CommandDepth_ > 0) return;
    if (ExternalEdit_) {
        ExternalEdit_ = false;
        Undo_.Clear();
        Undo_.SetModified(true);
    }
    Flush();
}

int64_t TMemoModel::OffsetOf(TTextPoint point) const {
    const int32_t rows = std::clamp(point.Row, 0, Lines_.Count());
    int64_t offset = 0;
    for (int32_t row = 0; row < rows; ++row)
        offset += LineLength(row) + 2;
    if (point.Row >= 0 && point.Row < Lines_.Count())
        offset += std::clamp(point.Col, 0, LineLength(point.Row));
    return offset;
}

TTextPoint TMemoModel::PointAt(int64_t offset) const {
    for (int32_t row = 0; row < Lines_.Count(); ++row) {
        const int64_t length = LineLength(row);
        if (offset <= length) return {static_cast<int32_t>(std::max<int64_t>(offset, 0)), row};
        offset -= length + 2;
    }
    return {0, Lines_.Count()};
}

// Primitive changes

int32_t TMemoModel::LineLength(int32_t row) const {
    return row >= 0 && row < Lines_.Count() ? static_cast<int32_t>(Lines_.Get(row).size()) : 0;
}

int32_t TMemoModel::CellOf(TTextPoint point) const {
    if (point.Row < 0 || point.Row >= Lines_.Count()) return point.Col;
    return CellOfColumn(Lines_.Get(point.Row), point.Col);
}

int32_t TMemoModel::ColumnAt(int32_t row, int32_t cell) const {
    if (row < 0 || row >= Lines_.Count()) return cell;
    return ColumnOfCell(Lines_.Get(row), cell);
}

void TMemoModel::InsertText(TTextPoint at, std::string_view text) {
    const std::string& line = Lines_.Get(at.Row);
    const auto split = std::min(static_cast<std::size_t>(at.Col), line.size());
    // The padding up to the caret is part of what is inserted.
    const TTextPoint start{static_cast<int32_t>(split), at.Row};
    MoveDiagnostics(start, start, editor::TextEnd(at, text));
    std::string head = line.substr(0, split);
    head.append(static_cast<std::size_t>(at.Col) - split, ' ');
    const std::string tail = line.substr(split);
    const std::vector<std::string_view> pieces = SplitAtBreaks(text);
    if (pieces.size() == 1) {
        Lines_.Put(at.Row, head.append(pieces[0]).append(tail));
        return;
    }
    // A break before the line's first character takes its text, and so its
    // breakpoint, down to the last row inserted.
    const bool breakpointMoves = !Breakpoints_.Empty() && IsBlank(head);
    const auto lastRow = at.Row + static_cast<int32_t>(pieces.size()) - 1;
    Lines_.Put(at.Row, head.append(pieces[0]));
    std::vector<std::string> rest(pieces.begin() + 1, pieces.end());
    rest.back() += tail;
    Lines_.InsertLines(at.Row + 1, std::move(rest));
    if (breakpointMoves) Breakpoints_.Move(at.Row, lastRow);
}

void TMemoModel::DeleteText(TTextPoint from, TTextPoint to) {
    from.Col = std::min(from.Col, LineLength(from.Row));
    to.Col = std::min(to.Col, LineLength(to.Row));
    if (to <= from) return;
    MoveDiagnostics(from, to, from);
    std::string joined = Lines_.Get(from.Row).substr(0, static_cast<std::size_t>(from.Col));
    // The joined line starts with the lower line's text when only blanks
    // of the upper one stay; it keeps the breakpoint of the line it starts
    // with, and the deletion of the rows below takes the others.
    if (to.Row > from.Row && !Breakpoints_.Empty() && IsBlank(joined))
        Breakpoints_.Move(to.Row, from.Row);
    joined += std::string_view(Lines_.Get(to.Row)).substr(static_cast<std::size_t>(to.Col));
    Lines_.Put(from.Row, joined);
    if (to.Row > from.Row) Lines_.DeleteLines(from.Row + 1, to.Row - from.Row);
}

void TMemoModel::InsertColumns(TTextPoint at, std::string_view text) {
    const std::vector<std::string_view> pieces = SplitAtBreaks(text);
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const int32_t row = at.Row + static_cast<int32_t>(i);
        if (row >= Lines_.Count()) break;
        if (!pieces[i].empty()) InsertText({at.Col, row}, pieces[i]);
    }
}

void TMemoModel::DeleteColumns(const TDCTextArea& block) {
    const int32_t from = std::min(block.Start.Col, block.End.Col);
    const int32_t to = std::max(block.Start.Col, block.End.Col);
    for (int32_t row = block.Start.Row; row <= block.End.Row && row < Lines_.Count(); ++row)
        if (LineLength(row) > from) DeleteText({from, row}, {to, row});
}

void TMemoModel::AppendLines(int32_t count) {
    if (count > 0) Lines_.InsertLines(Lines_.Count(), std::vector<std::string>(count));
}

void TMemoModel::RemoveLastLines(int32_t count) {
    if (count <= 0 || count > Lines_.Count()) return;
    DropDiagnostics(Lines_.Count() - count, Lines_.Count() - 1);
    Lines_.DeleteLines(Lines_.Count() - count, count);
}

void TMemoModel::RestoreState(const TEditState& state) {
    Caret_ = ClampCaret(state.Caret);
    SetSelectionArea(state.Selection);
    ScrollTo(state.Scroll);
}

// Recording

TEditState TMemoModel::State() const {
    return {Caret_, Selection_, {LeftCol(), TopRow()}};
}

void TMemoModel::Record(std::unique_ptr<TCustomUndoAction> action) {
    // An edit away from where the last one left the caret is preceded by a
    // caret action, so that group undo does not take two runs back at once;
    // the two halves of a moved selection stay one run.
    const TCustomUndoAction* current = Undo_.Current();
    if (!std::exchange(JoinNextRecord_, false) && current != nullptr &&
        (current->After.Caret != action->Before.Caret ||
         current->After.Selection != action->Before.Selection)) {
        auto move = std::make_unique<TCaretUndo>();
        move->Before = current->After;
        move->After = action->Before;
        Undo_.Record(std::move(move));
    }
    Undo_.Record(std::move(action));
}

int32_t TMemoModel::ReachRow(int32_t row) {
    const int32_t missing = row - Lines_.Count() + 1;
    AppendLines(missing);
    return std::max(missing, 0);
}

bool TMemoModel::SelectionReplaced() const {
    return !Selection_.Empty && (Options_ & moPersistentBlocks) == 0;
}

// Editing commands

void TMemoModel::TypeText(std::string_view text) {
    if (!Editable()) return;
    const TCommandScope scope(*this);
    for (const char c : text) {
        if (c == '\t')
            TypeTab();
        else if (static_cast<unsigned char>(c) >= 32)
            TypeChar(c);
    }
}

void TMemoModel::TypeTab() {
    if (SelectionReplaced()) DeleteSelection();
    for (int32_t n = kTabWidth - CaretCell() % kTabWidth; n > 0; --n)
        TypeChar(' ');
}

void TMemoModel::TypeChar(char c) {
    if (SelectionReplaced()) DeleteSelection();
    // The spaces that pad the line up to the caret belong to the character:
    // undoing it leaves the line as it was.
    auto action = std::make_unique<TCharUndo>();
    action->Before = State();
    action->LinesAppended = ReachRow(Caret_.Row);
    action->Pos = Caret_;
    action->Char = c;
    action->Padding = std::max(Caret_.Col - LineLength(Caret_.Row), 0);
    if (!InsertMode_ && Caret_.Col < LineLength(Caret_.Row)) {
        action->Overwritten = Lines_.Get(Caret_.Row)[static_cast<std::size_t>(Caret_.Col)];
        DeleteText(Caret_, {Caret_.Col + 1, Caret_.Row});
    }
    InsertText(Caret_, std::string_view(&c, 1));
    Caret_ = ClampCaret({Caret_.Col + 1, Caret_.Row});
    MakeCaretVisible();
    action->After = State();
    Record(std::move(action));
}

void TMemoModel::InsertBlock(std::string text, TInsertPoint where) {
    auto action = std::make_unique<TBlockUndo>();
    action->Before = State();
    InsertBlock(std::move(text), where, std::move(action));
}

void TMemoModel::InsertBlock(std::string text, TInsertPoint where,
                             std::unique_ptr<TBlockUndo> action) {
    action->LinesAppended = ReachRow(Caret_.Row);
    const int32_t length = LineLength(Caret_.Row);
    TTextPoint at = Caret_;
    if (where == TInsertPoint::LineEnd) {
        at.Col = length;
    } else if (where == TInsertPoint::CaretInLine) {
        at.Col = std::min(at.Col, length);
    } else if (at.Col > length) {
        text.insert(0, static_cast<std::size_t>(at.Col - length), ' ');
        at.Col = length;
    }
    InsertText(at, text);
    Caret_ = ClampCaret(editor::TextEnd(at, text));
    SetSelectionArea({});
    MakeCaretVisible();
    action->Start = at;
    action->Inserted = std::move(text);
    action->After = State();
    Record(std::move(action));
}

void TMemoModel::Enter() {
    if (!Editable()) return;
    const TCommandScope scope(*this);
    if (SelectionReplaced()) DeleteSelection();
    const int32_t row = Caret_.Row;
    if (InsertMode_) {
        const int32_t indent =
            (Options_ & moAutoIndent) != 0 ? std::min(Indentation(row), Caret_.Col) : 0;
        InsertBlock("\r\n" + std::string(static_cast<std::size_t>(indent), ' '),
                    TInsertPoint::CaretInLine);
    } else if (row + 1 < Lines_.Count()) {
        MoveTo({Indentation(row + 1), row + 1}, false);
    } else {
        InsertBlock("\r\n", TInsertPoint::LineEnd);
    }
}

void TMemoModel::DeleteChar() {
    if (!Editable()) return;
    const TCommandScope scope(*this);
    if (SelectionReplaced()) {
        DeleteSelection();
        return;
    }
    if (Caret_.Row >= Lines_.Count()) return;
    if (Caret_.Col >= LineLength(Caret_.Row)) {
        if (Caret_.Row + 1 < Lines_.Count()) JoinWithNext();
        return;
    }
    auto action = std::make_unique<TDeleteUndo>();
    action->Before = State();
    action->Pos = Caret_;
    action->Deleted = Lines_.Get(Caret_.Row)[static_cast<std::size_t>(Caret_.Col)];
    DeleteText(Caret_, {Caret_.Col + 1, Caret_.Row});
    action->After = State();
    Record(std::move(action));
}

// The next line comes up to the caret, which may stand past the line's end:
// the gap is filled with spaces so that the joined text starts at the caret.
void TMemoModel::JoinWithNext() {
    auto action = std::make_unique<TDeleteUndo>();
    action->Before = State();
    const int32_t length = LineLength(Caret_.Row);
    action->Count = Caret_.Col - length;
    if (action->Count > 0)
        InsertText({length, Caret_.Row}, std::string(static_cast<std::size_t>(action->Count), ' '));
    DeleteText(Caret_, {0, Caret_.Row + 1});
    action->Pos = Caret_;
    action->Deleted = "\r\n";
    action->After = State();
    Record(std::move(action));
}

void TMemoModel::Backspace() {
    const TCommandScope scope(*this);
    const auto [col, row] = Caret_;
    if (!Editable()) {
        if (col > 0) MoveTo({col - 1, row}, false);
        return;
    }
    if (SelectionReplaced()) {
        DeleteSelection();
        return;
    }
    if (col == 0) {
        if (row == 0) return;
        if (row >= Lines_.Count()) {
            MoveTo({LineLength(row - 1), row - 1}, false);
            return;
        }
        auto action = std::make_unique<TDeleteUndo>();
        action->Before = State();
        action->Pos = {LineLength(row - 1), row - 1};
        action->Deleted = "\r\n";
        DeleteText(action->Pos, {0, row});
        Caret_ = action->Pos;
        MakeCaretVisible();
        action->After = State();
        Record(std::move(action));
        return;
    }
    if ((Options_ & moBackUnindent) != 0 && LineLength(row) == 0) {
        MoveTo({UnindentColumn(), row}, false);
        return;
    }
    if (col > LineLength(row)) {
        MoveTo({col - 1, row}, false);
        return;
    }
    auto action = std::make_unique<TDeleteUndo>();
    action->Before = State();
    action->Pos = {col - 1, row};
    action->Deleted = Lines_.Get(row)[static_cast<std::size_t>(col - 1)];
    DeleteText(action->Pos, Caret_);
    Caret_ = action->Pos;
    MakeCaretVisible();
    action->After = State();
    Record(std::move(action));
}

void TMemoModel::Tab() {
    const TCommandScope scope(*this);
    if (BlockSelected()) {
        ShiftBlock(false);
        return;
    }
    const int32_t cell = CaretCell();
    if (InsertMode_ && Editable() && (Options_ & moSmartTab) != 0) {
        const int32_t target = SmartTabCell();
        if (target > cell)
            InsertBlock(std::string(static_cast<std::size_t>(target - cell), ' '),
                        TInsertPoint::Caret);
        return;
    }
    MoveTo({ColumnAt(Caret_.Row, (cell / kTabWidth + 1) * kTabWidth), Caret_.Row}, false);
}

void TMemoModel::BackTab() {
    const TCommandScope scope(*this);
    if (BlockSelected()) {
        ShiftBlock(true);
        return;
    }
    const int32_t cell = std::max(0, kTabWidth * (CaretCell() / kTabWidth - 1));
    MoveTo({ColumnAt(Caret_.Row, cell), Caret_.Row}, false);
}

bool TMemoModel::BlockSelected() const {
    return Editable() && !Selection_.Empty && Selection_.Start.Row != Selection_.End.Row;
}

// Every line of the selected block moves by whole tab stops, empty lines
// excepted, which stay empty. A selection's end at column 0 does not take
// its line in, and a point at column 0 stays there, so that a block of whole
// lines stays one.
void TMemoModel::ShiftBlock(bool left) {
    const int32_t first = Selection_.Start.Row;
    const int32_t last =
        std::min(Selection_.End.Row - (Selection_.End.Col == 0 ? 1 : 0), Lines_.Count() - 1);
    auto action = std::make_unique<TIndentUndo>();
    action->Before = State();
    action->First = first;
    for (int32_t row = first; row <= last; ++row)
        action->Shifts.push_back(left ? -UnindentWidth(row) : LineLength(row) > 0 ? kTabWidth : 0);
    if (std::all_of(action->Shifts.begin(), action->Shifts.end(), [](int32_t s) { return s == 0; }))
        return;
    action->ShiftRows(*this, 1);
    const auto shifted = [&](TTextPoint point) {
        if (point.Col == 0 || point.Row < first || point.Row > last) return point;
        const int32_t shift = action->Shifts[static_cast<std::size_t>(point.Row - first)];
        return TTextPoint{std::max(point.Col + shift, 0), point.Row};
    };
    const TTextPoint anchor = shifted(SelectionAnchor());
    Caret_ = shifted(Caret_);
    SetSelectionArea(TDCTextArea::Between(anchor, Caret_, Selection_.BlockType));
    MakeCaretVisible();
    action->After = State();
    Record(std::move(action));
}

// The leading spaces that go back to the tab stop before the indentation.
int32_t TMemoModel::UnindentWidth(int32_t row) const {
    const int32_t indent = Indentation(row);
    return indent == 0 ? 0 : indent - (indent - 1) / kTabWidth * kTabWidth;
}

void TMemoModel::Undo() {
    if (!CanUndo()) return;
    const TCommandScope scope(*this);
    Mouse_ = TMouseMode::None;
    Undo_.Undo(*this);
    MakeCaretVisible();
}

void TMemoModel::Redo() {
    if (!CanRedo()) return;
    const TCommandScope scope(*this);
    Mouse_ = TMouseMode::None;
    Undo_.Redo(*this);
    MakeCaretVisible();
}

void TMemoModel::SetReadOnly(bool readOnly) {
    const TCommandScope scope(*this);
    ReadOnly_ = readOnly;
    if (readOnly) CloseCompletions();
}

void TMemoModel::SetOptions(TMemoOptions options) {
    const TCommandScope scope(*this);
    Options_ = options;
}

void TMemoModel::SetInsertMode(bool insert) {
    if (InsertMode_ == insert) return;
    InsertMode_ = insert;
    if (OnSetInsertMode) OnSetInsertMode(insert);
}

// Text queries

TTextPoint TMemoModel::ClampToText(TTextPoint point) const {
    if (Lines_.Count() == 0) return {};
    if (point.Row >= Lines_.Count()) return {LineLength(Lines_.Count() - 1), Lines_.Count() - 1};
    const int32_t row = std::max(point.Row, 0);
    return {std::clamp(point.Col, 0, LineLength(row)), row};
}

std::string TMemoModel::TextBetween(TTextPoint from, TTextPoint to) const {
    const std::string& first = Lines_.Get(from.Row);
    if (from.Row == to.Row)
        return first.substr(static_cast<std::size_t>(from.Col),
                            static_cast<std::size_t>(to.Col - from.Col));
    std::string text = first.substr(static_cast<std::size_t>(from.Col));
    for (int32_t row = from.Row + 1; row < to.Row; ++row)
        text.append("\r\n").append(Lines_[row]);
    return text.append("\r\n").append(
        Lines_.Get(to.Row).substr(0, static_cast<std::size_t>(to.Col)));
}

std::string TMemoModel::ColumnText(const TDCTextArea& block) const {
    const int32_t from = std::min(block.Start.Col, block.End.Col);
    const int32_t to = std::max(block.Start.Col, block.End.Col);
    std::string text;
    for (int32_t row = block.Start.Row; row <= block.End.Row && row < Lines_.Count(); ++row) {
        if (row > block.Start.Row) text += "\r\n";
        const int32_t length = LineLength(row);
        if (length > from)
            text += Lines_.Get(row).substr(static_cast<std::size_t>(from),
                                           static_cast<std::size_t>(std::min(to, length) - from));
    }
    return text;
}

bool TMemoModel::IsSeparator(char c) const {
    return c == ' ' || c == '\t' || Syntax_->IsSymbolChar(c);
}

int32_t TMemoModel::Indentation(int32_t row) const {
    if (row < 0 || row >= Lines_.Count()) return 0;
    const std::string& line = Lines_.Get(row);
    return static_cast<int32_t>(std::min(line.find_first_not_of(' '), line.size()));
}

TTextPoint TMemoModel::WordLeftOf(TTextPoint point) const {
    if (point.Col == 0)
        return point.Row > 0 ? TTextPoint{LineLength(point.Row - 1), point.Row - 1} : point;
    int32_t col = std::min(point.Col, LineLength(point.Row));
    if (col == 0) return {0, point.Row};
    const std::string& line = Lines_.Get(point.Row);
    while (col > 0 && IsSeparator(line[static_cast<std::size_t>(col - 1)]))
        --col;
    while (col > 0 && !IsSeparator(line[static_cast<std::size_t>(col - 1)]))
        --col;
    return {col, point.Row};
}

TTextPoint TMemoModel::WordRightOf(TTextPoint point) const {
    const int32_t length = LineLength(point.Row);
    if (point.Col >= length)
        return point.Row + 1 < Lines_.Count() ? TTextPoint{0, point.Row + 1} : point;
    const std::string& line = Lines_.Get(point.Row);
    int32_t col = point.Col;
    while (col < length && !IsSeparator(line[static_cast<std::size_t>(col)]))
        ++col;
    while (col < length && IsSeparator(line[static_cast<std::size_t>(col)]))
        ++col;
    return {col, point.Row};
}

// The cell of the first word start right of the caret on the nearest line
// above that has one. Lines without a tab and too short to hold one cost a
// length test and a short scan each.
int32_t TMemoModel::SmartTabCell() const {
    const int32_t from = CaretCell();
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    for (int32_t row = std::min(Caret_.Row, Lines_.Count()) - 1; row >= 0; --row) {
        const std::string& line = Lines_.Get(row);
        if (line.size() <= static_cast<std::size_t>(from) + 1 &&
            line.find('\t') == std::string::npos)
            continue;
        int32_t cell = 0;
        for (std::size_t c = 0; c < line.size(); cell = NextCell(line[c], cell), ++c)
            if (cell > from && c > 0 && blank(line[c - 1]) && !blank(line[c])) return cell;
    }
    return -1;
}

// The indentation of the nearest line above, not blank, indented less than
// the caret column; 0 when there is none.
int32_t TMemoModel::UnindentColumn() const {
    for (int32_t row = std::min(Caret_.Row, Lines_.Count()) - 1; row >= 0; --row) {
        const int32_t indent = Indentation(row);
        if (indent < LineLength(row) && indent < Caret_.Col) return indent;
    }
    return 0;
}

// Caret and selection

int32_t TMemoModel::MaxRow() const {
    const int32_t last = std::max(Lines_.Count() - 1, 0);
    return (Options_ & moBeyondEof) != 0 ? std::max(last, VScroll_.LargestPos()) : last;
}

TTextPoint TMemoModel::ClampCaret(TTextPoint point) const {
    const int32_t row = std::clamp(point.Row, 0, MaxRow());
    return {std::clamp(point.Col, 0, std::max(kMaxCaretCol, LineLength(row))), row};
}

TTextPoint TMemoModel::SameCellOn(int32_t row) const {
    row = std::clamp(row, 0, MaxRow());
    return {ColumnAt(row, CaretCell()), row};
}

void TMemoModel::SetCaret(TTextPoint caret) {
    const TCommandScope scope(*this);
    MoveTo(caret, false);
}

TTextPoint TMemoModel::SelectionAnchor() const {
    if (Selection_.Empty) return Caret_;
    return Caret_ == Selection_.Start ? Selection_.End : Selection_.Start;
}

void TMemoModel::MoveTo(TTextPoint point, bool extend) {
    point = ClampCaret(point);
    if (extend) {
        const TTextPoint anchor = SelectionAnchor();
        Caret_ = point;
        SetSelectionArea(TDCTextArea::Between(anchor, point, Selection_.BlockType));
    } else {
        Caret_ = point;
        if ((Options_ & moPersistentBlocks) == 0) SetSelectionArea({});
    }
    MakeCaretVisible();
}

void TMemoModel::SetSelectionArea(const TDCTextArea& area) {
    const TDCTextArea next = area.Empty ? TDCTextArea{} : area;
    if (next == Selection_) return;
    RepaintArea(Selection_);
    Selection_ = next;
    RepaintArea(Selection_);
}

void TMemoModel::SetSelection(TTextPoint anchor, TTextPoint caret, TBlockType type) {
    const TCommandScope scope(*this);
    anchor = ClampCaret(anchor);
    Caret_ = ClampCaret(caret);
    SetSelectionArea(TDCTextArea::Between(anchor, Caret_, type));
    MakeCaretVisible();
}

void TMemoModel::SelectAll() {
    const int32_t last = std::max(Lines_.Count() - 1, 0);
    SetSelection({0, 0}, {LineLength(last), last});
}

void TMemoModel::ClearSelection() {
    const TCommandScope scope(*this);
    SetSelectionArea({});
}

std::string TMemoModel::SelectedText() const {
    if (Selection_.Empty || Lines_.Count() == 0) return {};
    if (Selection_.BlockType == btColumn) return ColumnText(Selection_);
    return TextBetween(ClampToText(Selection_.Start), ClampToText(Selection_.End));
}

std::optional<TColumnSpan> TMemoModel::SelectedColumns(int32_t row) const {
    if (Selection_.Empty || row < Selection_.Start.Row || row > Selection_.End.Row) return {};
    TColumnSpan span;
    if (Selection_.BlockType == btColumn) {
        span = {std::min(Selection_.Start.Col, Selection_.End.Col),
                std::max(Selection_.Start.Col, Selection_.End.Col)};
    } else {
        span.From = row == Selection_.Start.Row ? Selection_.Start.Col : 0;
        span.To = row == Selection_.End.Row ? Selection_.End.Col : kToEnd;
    }
    if (span.From >= span.To) return {};
    return span;
}

bool TMemoModel::InSelection(TTextPoint point) const {
    return !Selection_.Empty && Selection_.BlockType == btStream && Selection_.Start <= point &&
           point < Selection_.End;
}

void TMemoModel::DeleteSelection() {
    if (Selection_.Empty || !Editable()) return;
    const TCommandScope scope(*this);
    auto action = std::make_unique<TBlockUndo>();
    action->Before = State();
    if (Selection_.BlockType == btColumn) {
        action->BlockType = btColumn;
        action->Start = {std::min(Selection_.Start.Col, Selection_.End.Col), Selection_.Start.Row};
        action->End = {std::max(Selection_.Start.Col, Selection_.End.Col), Selection_.End.Row};
        action->Removed = ColumnText(Selection_);
        DeleteColumns(Selection_);
    } else {
        action->Start = ClampToText(Selection_.Start);
        const TTextPoint end = ClampToText(Selection_.End);
        if (Lines_.Count() > 0) action->Removed = TextBetween(action->Start, end);
        DeleteText(action->Start, end);
    }
    Caret_ = ClampCaret(action->Start);
    SetSelectionArea({});
    MakeCaretVisible();
    action->After = State();
    if (!action->Removed.empty()) Record(std::move(action));
}

// Movement

void TMemoModel::MoveLeft(bool extend) {
    const TCommandScope scope(*this);
    MoveTo({Caret_.Col - 1, Caret_.Row}, extend);
}

void TMemoModel::MoveRight(bool extend) {
    const TCommandScope scope(*this);
    MoveTo({Caret_.Col + 1, Caret_.Row}, extend);
}

void TMemoModel::MoveUp(bool extend) {
    const TCommandScope scope(*this);
    MoveTo(SameCellOn(Caret_.Row - 1), extend);
}

void TMemoModel::MoveDown(bool extend) {
    const TCommandScope scope(*this);
    MoveTo(SameCellOn(Caret_.Row + 1), extend);
}

void TMemoModel::WordLeft(bool extend) {
    const TCommandScope scope(*this);
    MoveTo(WordLeftOf(Caret_), extend);
}

void TMemoModel::WordRight(bool extend) {
    const TCommandScope scope(*this);
    MoveTo(WordRightOf(Caret_), extend);
}

void TMemoModel::LineStart(bool extend) {
    const TCommandScope scope(*this);
    MoveTo({0, Caret_.Row}, extend);
}

void TMemoModel::LineEnd(bool extend) {
    const TCommandScope scope(*this);
    MoveTo({LineLength(Caret_.Row), Caret_.Row}, extend);
}

void TMemoModel::TextStart(bool extend) {
    const TCommandScope scope(*this);
    MoveTo({0, 0}, extend);
}

void TMemoModel::TextEnd(bool extend) {
    const TCommandScope scope(*this);
    const int32_t last = std::max(Lines_.Count() - 1, 0);
    MoveTo({LineLength(last), last}, extend);
}

void TMemoModel::PageUp(bool extend) {
    const TCommandScope scope(*this);
    const int32_t step = std::max(Rows() - 1, 1);
    ScrollBy(0, -step);
    MoveTo(SameCellOn(Caret_.Row - step), extend);
}

void TMemoModel::PageDown(bool extend) {
    const TCommandScope scope(*this);
    const int32_t step = std::max(Rows() - 1, 1);
    ScrollBy(0, step);
    MoveTo(SameCellOn(Caret_.Row + step), extend);
}

void TMemoModel::PageTop(bool extend) {
    const TCommandScope scope(*this);
    MoveTo(SameCellOn(TopRow()), extend);
}

void TMemoModel::PageBottom(bool extend) {
    const TCommandScope scope(*this);
    MoveTo(SameCellOn(TopRow() + Rows() - 1), extend);
}

void TMemoModel::ScrollLineUp() {
    const TCommandScope scope(*this);
    ScrollBy(0, -1);
}

void TMemoModel::ScrollLineDown() {
    const TCommandScope scope(*this);
    ScrollBy(0, 1);
}

// Clipboard

void TMemoModel::CopyToClipboard() {
    if (Clipboard_ != nullptr && !Selection_.Empty) Clipboard_->SetText(SelectedText());
}

void TMemoModel::CutToClipboard() {
    if (Clipboard_ == nullptr || Selection_.Empty || !Editable()) return;
    CopyToClipboard();
    DeleteSelection();
}

// A pasted tab takes the spaces up to the tab stop where it lands, once the
// selection has made room.
void TMemoModel::PasteFromClipboard() {
    if (Clipboard_ == nullptr || !Editable()) return;
    const TPastedText pasted = Clipboard_->Text();
    if (pasted.Text.empty()) return;
    {
        const TCommandScope scope(*this);
        if (SelectionReplaced()) DeleteSelection();
        InsertBlock(ExpandTabs(pasted.Text, CaretCell()), TInsertPoint::Caret);
    }
    if (pasted.Replaced > 0 && OnPasteReplaced) OnPasteReplaced(pasted.Replaced);
}

void TMemoModel::PasteText(std::string_view text) {
    if (!Editable() || text.empty()) return;
    const TCommandScope scope(*this);
    if (SelectionReplaced()) DeleteSelection();
    InsertBlock(std::string(text), TInsertPoint::Caret);
}

// Bookmarks

void TMemoModel::ToggleBookmark(int n) {
    if (n < 0 || n >= kBookmarkCount || Caret_.Row >= Lines_.Count()) return;
    const TCommandScope scope(*this);
    TBookmark& bookmark = Bookmarks_[static_cast<std::size_t>(n)];
    if (bookmark.Set) Repaint(bookmark.Pos.Row, bookmark.Pos.Row);
    if (bookmark.Set && bookmark.Pos.Row == Caret_.Row)
        bookmark.Set = false;
    else
        bookmark = {true, Caret_, {LeftCol(), TopRow()}};
    Repaint(Caret_.Row, Caret_.Row);
}

void TMemoModel::GotoBookmark(int n) {
    if (n < 0 || n >= kBookmarkCount || !Bookmarks_[static_cast<std::size_t>(n)].Set) return;
    const TCommandScope scope(*this);
    const TBookmark& bookmark = Bookmarks_[static_cast<std::size_t>(n)];
    if (!IsVisible(bookmark.Pos)) ScrollTo(bookmark.Scroll);
    MoveTo(bookmark.Pos, false);
}

uint32_t TMemoModel::BookmarksOnRow(int32_t row) const {
    uint32_t mask = 0;
    for (int n = 0; n < kBookmarkCount; ++n)
        if (Bookmarks_[static_cast<std::size_t>(n)].Set &&
            Bookmarks_[static_cast<std::size_t>(n)].Pos.Row == row)
            mask |= 1u << n;
    return mask;
}

// The debugger's marks

void TMemoModel::SetBreakpoint(int32_t row, TBreakpointState state) {
    if (row < 0 || row >= Lines_.Count()) return;
    const TCommandScope scope(*this);
    if (Breakpoints_.Set(row, state)) Repaint(row, row);
}

void TMemoModel::ClearBreakpoint(int32_t row) {
    const TCommandScope scope(*this);
    if (Breakpoints_.Clear(row)) Repaint(row, row);
}

void TMemoModel::ToggleBreakpoint(int32_t row) {
    if (BreakpointOn(row))
        ClearBreakpoint(row);
    else
        SetBreakpoint(row);
}

void TMemoModel::ClearBreakpoints() {
    const TCommandScope scope(*this);
    for (const TBreakpoint& breakpoint : Breakpoints_.All())
        Repaint(breakpoint.Row, breakpoint.Row);
    Breakpoints_.ClearAll();
}

// Rows outside the text would mark nothing; they are left out.
void TMemoModel::SetRunMarks(int32_t arrowRow, bool stopAtBreakpoint,
                             std::vector<int32_t> ellipseRows) {
    const TCommandScope scope(*this);
    const int32_t count = Lines_.Count();
    std::erase_if(ellipseRows, [count](int32_t row) { return row < 0 || row >= count; });
    std::sort(ellipseRows.begin(), ellipseRows.end());
    ellipseRows.erase(std::unique(ellipseRows.begin(), ellipseRows.end()), ellipseRows.end());
    RepaintRunMarks();
    RunMarks_ = {arrowRow >= 0 && arrowRow < count ? arrowRow : -1, stopAtBreakpoint,
                 std::move(ellipseRows)};
    RepaintRunMarks();
}

void TMemoModel::ClearRunMarks() {
    const TCommandScope scope(*this);
    RepaintRunMarks();
    RunMarks_ = {};
}

void TMemoModel::RepaintRunMarks() {
    if (RunMarks_.ArrowRow >= 0) Repaint(RunMarks_.ArrowRow, RunMarks_.ArrowRow);
    for (const int32_t row : RunMarks_.EllipseRows)
        Repaint(row, row);
}

uint8_t TMemoModel::GutterGlyphsOn(int32_t row) const {
    uint8_t glyphs = 0;
    if (const std::optional<TBreakpointState> state = Breakpoints_.At(row))
        glyphs = *state == TBreakpointState::Set ? gsBreakSet : gsBreakInvalid;
    // The stop glyph is the breakpoint's circle with the arrow in it.
    if (row == RunMarks_.ArrowRow)
        glyphs = RunMarks_.StopAtBreakpoint ? gsBreakStop : glyphs | gsArrow;
    if (std::binary_search(RunMarks_.EllipseRows.begin(), RunMarks_.EllipseRows.end(), row))
        glyphs |= gsEllipse;
    return glyphs;
}

void TMemoModel::SetShadedRange(TTextPoint from, TTextPoint to, TShade shade) {
    const TCommandScope scope(*this);
    const auto valid = [](TTextPoint point) {
        return TTextPoint{std::max(point.Col, 0), std::max(point.Row, 0)};
    };
    from = valid(from);
    to = valid(to);
    RepaintShade();
    Shaded_ = TShadedRange{std::min(from, to), std::max(from, to), shade};
    RepaintShade();
}

void TMemoModel::ClearShadedRange() {
    const TCommandScope scope(*this);
    RepaintShade();
    Shaded_.reset();
}

void TMemoModel::RepaintShade() {
    if (Shaded_) Repaint(Shaded_->From.Row, Shaded_->To.Row);
}

std::optional<TColumnSpan> TMemoModel::ShadedColumns(int32_t row) const {
    if (!Shaded_ || row < Shaded_->From.Row || row > Shaded_->To.Row) return {};
    const TColumnSpan span{row == Shaded_->From.Row ? Shaded_->From.Col : 0,
                           row == Shaded_->To.Row ? Shaded_->To.Col : LineLength(row)};
    if (span.From >= span.To) return {};
    return span;
}

// The window's diagnostics

void TMemoModel::SetDiagnostics(std::vector<TDiagnosticMark> marks) {
    const TCommandScope scope(*this);
    for (TDiagnosticMark& mark : marks) {
        mark.From = ClampToText(mark.From);
        mark.To = ClampToText(mark.To);
        if (mark.To < mark.From) std::swap(mark.From, mark.To);
    }
    RepaintDiagnostics();
    Diagnostics_.Set(std::move(marks));
    RepaintDiagnostics();
}

void TMemoModel::ClearDiagnostics() {
    const TCommandScope scope(*this);
    RepaintDiagnostics();
    Diagnostics_.Clear();
}

void TMemoModel::RepaintDiagnostics() {
    for (const TDiagnosticMark& mark : Diagnostics_.All())
        Repaint(mark.From.Row, mark.To.Row);
}

void TMemoModel::MoveDiagnostics(TTextPoint from, TTextPoint to, TTextPoint end) {
    if (Diagnostics_.Empty()) return;
    if (const std::optional<TRowSpan> dropped = Diagnostics_.Edited(from, to, end))
        Repaint(dropped->First, dropped->Last);
}

void TMemoModel::DropDiagnostics(int32_t first, int32_t last) {
    if (Diagnostics_.Empty()) return;
    if (const std::optional<TRowSpan> dropped = Diagnostics_.DropRows(first, last))
        Repaint(dropped->First, dropped->Last);
}

std::vector<TDiagnosticSpan> TMemoModel::DiagnosticSpans(int32_t row) const {
    std::vector<TDiagnosticSpan> spans;
    if (Diagnostics_.Empty()) return spans;
    const int32_t length = LineLength(row);
    for (const TDiagnosticMark* mark : Diagnostics_.On(row)) {
        const bool first = row == mark->From.Row;
        const bool last = row == mark->To.Row;
        const TColumnSpan columns{first ? mark->From.Col : 0, last ? mark->To.Col
                                                              : first
                                                                  ? std::max(length, mark->From.Col)
                                                                  : length};
        if (first || columns.From < columns.To) spans.push_back({columns, mark->Severity});
    }
    return spans;
}

std::optional<TDiagnosticSeverity> TMemoModel::DiagnosticSeverityOn(int32_t row) const {
    if (Diagnostics_.Empty()) return {};
    std::optional<TDiagnosticSeverity> gravest;
    for (const TDiagnosticMark* mark : Diagnostics_.On(row))
        if (!gravest || mark->Severity == TDiagnosticSeverity::Error) gravest = mark->Severity;
    return gravest;
}

std::vector<const TDiagnosticMark*> TMemoModel::DiagnosticsAt(TTextPoint point) const {
    std::vector<const TDiagnosticMark*> marks = Diagnostics_.On(point.Row);
    std::erase_if(marks, [point](const TDiagnosticMark* mark) { return !mark->Covers(point); });
    return marks;
}

// Words under the mouse

TTextPoint TMemoModel::PointUnder(TTextPoint cell) const {
    const TTextPoint point{LeftCol() + cell.Col, TopRow() + cell.Row};
    if (point.Row < 0 || point.Row >= Lines_.Count()) return point;
    return {ColumnHoldingCell(Lines_.Get(point.Row), point.Col), point.Row};
}

std::optional<TTextPoint> TMemoModel::CharacterUnder(TTextPoint cell) const {
    const TTextPoint point = PointUnder(cell);
    if (point.Col < 0 || point.Col >= LineLength(point.Row)) return {};
    return point;
}

// A word inside a comment is prose, not a name.
std::optional<TColumnSpan> TMemoModel::WordAt(TTextPoint point) const {
    if (point.Col < 0 || point.Col >= LineLength(point.Row)) return {};
    const TLineDataItem& line = Lines_.Item(point.Row);
    int32_t lexemEnd = 0;
    for (const LexemEntry& lexem : line.Syntax.Lexems) {
        lexemEnd += lexem.Length;
        if (lexemEnd <= point.Col) continue;
        if (lexem.Type == lxComment) return {};
        break;
    }
    const std::string& text = line.Text;
    const bool identifier = Syntax_->IsIdentChar(text[static_cast<std::size_t>(point.Col)]);
    if (!identifier && !Syntax_->IsSymbolChar(text[static_cast<std::size_t>(point.Col)])) return {};
    const auto sameKind = [&](int32_t col) {
        const char c = text[static_cast<std::size_t>(col)];
        return identifier ? Syntax_->IsIdentChar(c) : Syntax_->IsSymbolChar(c);
    };
    TColumnSpan word{point.Col, point.Col + 1};
    while (word.From > 0 && sameKind(word.From - 1))
        --word.From;
    while (word.To < static_cast<int32_t>(text.size()) && sameKind(word.To))
        ++word.To;
    return word;
}

void TMemoModel::SetLinkAt(std::optional<TTextPoint> point) {
    std::optional<TWordLink> link;
    if (point)
        if (const std::optional<TColumnSpan> word = WordAt(*point))
            link = TWordLink{point->Row, *word};
    if (link == Link_) return;
    const TCommandScope scope(*this);
    if (Link_) Repaint(Link_->Row, Link_->Row);
    Link_ = link;
    if (Link_) Repaint(Link_->Row, Link_->Row);
}

bool TMemoModel::ControlClick(TTextPoint cell) {
    const std::optional<TTextPoint> point = CharacterUnder(cell);
    if (!point || !WordAt(*point)) return false;
    Mouse_ = TMouseMode::None;
    if (OnCtrlClick) OnCtrlClick(*point);
    return true;
}

// Completion

void TMemoModel::RequestCompletion() {
    if (Editable() && OnCompletionRequested) OnCompletionRequested(Caret_);
}

void TMemoModel::ShowCompletions(std::vector<TCompletionItem> items) {
    const TCommandScope scope(*this);
    CompletionChanged_ = true;
    if (items.empty() || !Editable()) {
        Completions_.Close();
        return;
    }
    Completions_.Start(std::move(items), WordStartBefore(Caret_));
}

void TMemoModel::CloseCompletions() {
    if (!Completions_.Open()) return;
    const TCommandScope scope(*this);
    Completions_.Close();
    CompletionChanged_ = true;
}

void TMemoModel::MoveCompletion(int32_t delta) {
    const TCommandScope scope(*this);
    CompletionChanged_ |= Completions_.Move(delta);
}

void TMemoModel::ChooseCompletion(int32_t match) {
    const TCommandScope scope(*this);
    CompletionChanged_ |= Completions_.Choose(match);
}

void TMemoModel::AcceptCompletion() {
    const TCompletionItem* chosen = Completions_.Chosen();
    if (chosen == nullptr || !Editable()) return;
    const TCommandScope scope(*this);
    std::string label = chosen->Label;
    const TTextPoint start = Completions_.WordStart();
    const std::optional<std::string_view> typed = TypedWordFrom(start);
    Completions_.Close();
    CompletionChanged_ = true;
    if (!typed) return;
    auto action = std::make_unique<TCompletionUndo>();
    action->Before = State();
    if (!typed->empty()) {
        action->Removed = *typed;
        DeleteText(start, Caret_);
    }
    Caret_ = start;
    InsertBlock(std::move(label), TInsertPoint::Caret, std::move(action));
}

TTextPoint TMemoModel::WordStartBefore(TTextPoint point) const {
    if (point.Col > LineLength(point.Row)) return point;
    const std::string_view line =
        point.Row < Lines_.Count() ? std::string_view(Lines_.Get(point.Row)) : std::string_view();
    while (point.Col > 0 && Syntax_->IsIdentChar(line[static_cast<std::size_t>(point.Col - 1)]))
        --point.Col;
    return point;
}

std::optional<std::string_view> TMemoModel::TypedWordFrom(TTextPoint start) const {
    if (Caret_.Row != start.Row || Caret_.Col < start.Col) return {};
    if (Caret_ == start) return std::string_view();
    if (Caret_.Col > LineLength(start.Row)) return {};
    const std::string_view word = std::string_view(Lines_.Get(start.Row))
                                      .substr(static_cast<std::size_t>(start.Col),
                                              static_cast<std::size_t>(Caret_.Col - start.Col));
    if (!std::all_of(word.begin(), word.end(), [this](char c) { return Syntax_->IsIdentChar(c); }))
        return {};
    return word;
}

void TMemoModel::FollowCaretWithCompletion() {
    if (!Completions_.Open()) return;
    const std::optional<std::string_view> typed = TypedWordFrom(Completions_.WordStart());
    if (!typed) {
        Completions_.Close();
        CompletionChanged_ = true;
        return;
    }
    CompletionChanged_ |= Completions_.Filter(*typed);
}

void TMemoModel::TextEdited() {
    if (Link_) {
        Repaint(Link_->Row, Link_->Row);
        Link_.reset();
    }
    if (RunMarks_.ArrowRow < 0 && RunMarks_.EllipseRows.empty() && !Shaded_) return;
    RepaintRunMarks();
    RunMarks_ = {};
    RepaintShade();
    Shaded_.reset();
}

void TMemoModel::EnsureRangeVisible(TTextPoint from, TTextPoint to) {
    const TCommandScope scope(*this);
    if (to < from) std::swap(from, to);
    // A range ending at the start of a row does not reach into it.
    const int32_t last = to.Col == 0 && to.Row > from.Row ? to.Row - 1 : to.Row;
    const bool startShown = from.Row >= TopRow() && from.Row < TopRow() + Rows();
    int32_t top = TopRow();
    if (last - from.Row + 1 <= Rows())
        top = TopRowShowing(from.Row, last);
    else if (!startShown)
        top = from.Row;
    int32_t left = LeftCol();
    const int32_t start = CellOf(from);
    if (start < left || start >= left + Cols()) left = start < Cols() ? 0 : start - Cols() / 2;
    ScrollTo({left, top});
}

int32_t TMemoModel::TopRowShowing(int32_t first, int32_t last) const {
    const int32_t top = TopRow();
    const int32_t bottom = top + Rows() - 1;
    if (first >= top && last <= bottom) return top;
    if (last >= top && first <= bottom) return first < top ? first : last - Rows() + 1;
    return std::max(first - (Rows() - (last - first + 1)) / 2, 0);
}

// Mouse

TTextPoint TMemoModel::CellToText(TTextPoint cell, bool clampToView) const {
    TTextPoint point{LeftCol() + cell.Col, TopRow() + cell.Row};
    if (clampToView) {
        point.Col = std::clamp(point.Col, LeftCol(), LeftCol() + Cols() - 1);
        point.Row = std::clamp(point.Row, TopRow(), TopRow() + Rows() - 1);
    }
    point.Row = std::clamp(point.Row, 0, MaxRow());
    return ClampCaret({ColumnAt(point.Row, point.Col), point.Row});
}

void TMemoModel::MouseDown(TTextPoint cell, bool shift) {
    const TCommandScope scope(*this);
    const TTextPoint point = CellToText(cell, true);
    if (shift) {
        MouseAnchor_ = SelectionAnchor();
        MoveTo(point, true);
        Mouse_ = TMouseMode::Selecting;
        return;
    }
    if (InSelection(point) && Editable()) {
        Mouse_ = TMouseMode::Dragging;
        DragMoved_ = false;
        MouseAnchor_ = point;
        return;
    }
    MoveTo(point, false);
    SetSelectionArea({});
    MouseAnchor_ = Caret_;
    Mouse_ = TMouseMode::Selecting;
}

void TMemoModel::MouseMove(TTextPoint cell) {
    if (Mouse_ == TMouseMode::None) return;
    const TCommandScope scope(*this);
    ScrollBy(cell.Col < 0         ? -1
             : cell.Col >= Cols() ? 1
                                  : 0,
             cell.Row < 0         ? -1
             : cell.Row >= Rows() ? 1
                                  : 0);
    const TTextPoint point = CellToText(cell, true);
    Caret_ = point;
    if (Mouse_ == TMouseMode::Dragging)
        DragMoved_ |= point != MouseAnchor_;
    else
        SetSelectionArea(TDCTextArea::Between(MouseAnchor_, point, Selection_.BlockType));
}

void TMemoModel::MouseUp(TTextPoint cell) {
    if (Mouse_ == TMouseMode::None) return;
    const TCommandScope scope(*this);
    const TTextPoint point = CellToText(cell, true);
    if (Mouse_ == TMouseMode::Dragging) {
        Mouse_ = TMouseMode::None;
        if (DragMoved_ && !InSelection(point) && point != Selection_.End) {
            MoveSelectionTo(point);
        } else {
            MoveTo(point, false);
            SetSelectionArea({});
        }
        return;
    }
    Caret_ = point;
    SetSelectionArea(TDCTextArea::Between(MouseAnchor_, point, Selection_.BlockType));
    Mouse_ = TMouseMode::None;
}

void TMemoModel::EndMouseSelection() {
    Mouse_ = TMouseMode::None;
}

// The selection goes from where it is to `point`: removed, then inserted at
// the place `point` names once the selected text is gone. Group undo takes
// both steps back at once.
void TMemoModel::MoveSelectionTo(TTextPoint point) {
    const TTextPoint from = ClampToText(Selection_.Start);
    const TTextPoint to = ClampToText(Selection_.End);
    const std::string text = SelectedText();
    if (point > to) {
        if (point.Row == to.Row)
            point = {from.Col + (point.Col - to.Col), from.Row};
        else
            point.Row -= to.Row - from.Row;
    }
    DeleteSelection();
    Caret_ = ClampCaret(point);
    JoinNextRecord_ = true;
    InsertBlock(text, TInsertPoint::Caret);
}

void TMemoModel::DoubleClick(TTextPoint cell) {
    const TCommandScope scope(*this);
    Mouse_ = TMouseMode::None;
    const TTextPoint point = CellToText(cell, true);
    const int32_t row = point.Row;
    if (row >= Lines_.Count()) {
        MoveTo(point, false);
        return;
    }
    TTextPoint start{0, row};
    TTextPoint end{LineLength(row), row};
    if ((Options_ & moDblClickLine) != 0) {
        if (row + 1 < Lines_.Count()) end = {0, row + 1};
    } else {
        const std::string& line = Lines_.Get(row);
        const int32_t length = end.Col;
        const auto isWord = [&](int32_t col) {
            return col >= 0 && col < length &&
                   Syntax_->IsIdentChar(line[static_cast<std::size_t>(col)]);
        };
        int32_t from = point.Col;
        if (!isWord(from)) --from;
        if (!isWord(from)) {
            MoveTo(point, false);
            return;
        }
        int32_t to = from;
        while (isWord(from - 1))
            --from;
        while (isWord(to))
            ++to;
        start = {from, row};
        end = {to, row};
    }
    Caret_ = end;
    SetSelectionArea(TDCTextArea::Between(start, end));
    MakeCaretVisible();
}

void TMemoModel::GutterClick(TTextPoint downCell, TTextPoint upCell) {
    const TTextPoint down = CellToText(downCell, true);
    const TTextPoint up = CellToText(upCell, true);
    if (down.Row != up.Row) SelectLines(down.Row, up.Row);
    if (OnGutterClick) OnGutterClick(down, up);
    if (down.Row == up.Row && down.Row < Lines_.Count() && OnGutterLineClicked)
        OnGutterLineClicked(down.Row);
}

void TMemoModel::SelectLines(int32_t first, int32_t last) {
    if (Lines_.Count() == 0) return;
    const TCommandScope scope(*this);
    const int32_t lastLine = Lines_.Count() - 1;
    const int32_t from = std::min({first, last, lastLine});
    const int32_t to = std::min(std::max(first, last), lastLine);
    const TTextPoint end =
        to < lastLine ? TTextPoint{0, to + 1} : TTextPoint{LineLength(lastLine), lastLine};
    Caret_ = end;
    SetSelectionArea(TDCTextArea::Between({0, from}, end));
    MakeCaretVisible();
}

void TMemoModel::Wheel(int32_t delta, bool control, bool shift, int32_t rowsPerNotch) {
    const int64_t total = int64_t{WheelRemainder_} + delta;
    const auto notches = static_cast<int32_t>(total / 120);
    WheelRemainder_ = static_cast<int32_t>(total % 120);
    if (notches == 0) return;
    if (control) {
        Zoom_.Step(notches);
        return;
    }
    const TCommandScope scope(*this);
    const int64_t rows = int64_t{notches} * rowsPerNotch;
    const auto step =
        static_cast<int32_t>(std::clamp<int64_t>(rows, -INT32_MAX / 2, INT32_MAX / 2));
    if (shift)
        MoveTo(SameCellOn(Caret_.Row - step), false);
    else
        ScrollBy(0, -step);
}

// View

void TMemoModel::SetVisibleSize(int32_t cols, int32_t rows) {
    const TCommandScope scope(*this);
    VisibleCols_ = std::max(cols, 0);
    VisibleRows_ = std::max(rows, 0);
    UpdateScrollRanges();
}

void TMemoModel::UpdateScrollRanges() {
    const int32_t count = Lines_.Count();
    const int32_t range = count < 2 ? VisibleRows_ : count + VisibleRows_ - 2;
    const auto before =
        std::tuple{HScroll_.Range(), HScroll_.PageSize(), VScroll_.Range(), VScroll_.PageSize()};
    ScrolledCols_ += HScroll_.SetMetrics(kHorizontalRange, VisibleCols_, INT32_MAX);
    ScrolledRows_ += VScroll_.SetMetrics(range, VisibleRows_, range);
    if (before != std::tuple{HScroll_.Range(), HScroll_.PageSize(), VScroll_.Range(),
                             VScroll_.PageSize()} ||
        ScrolledCols_ != 0 || ScrolledRows_ != 0)
        ScrollBarsChanged_ = true;
}

void TMemoModel::Scroll(TScrollKind kind, TScrollRequest request, int32_t thumbPos) {
    const TCommandScope scope(*this);
    if (kind == TScrollKind::Horizontal)
        ScrollTo({HScroll_.Requested(request, thumbPos), TopRow()});
    else
        ScrollTo({LeftCol(), VScroll_.Requested(request, thumbPos)});
}

void TMemoModel::ScrollTo(TTextPoint topLeft) {
    const int32_t cols = HScroll_.SetPosition(topLeft.Col);
    const int32_t rows = VScroll_.SetPosition(topLeft.Row);
    if (cols == 0 && rows == 0) return;
    ScrolledCols_ += cols;
    ScrolledRows_ += rows;
    ScrollBarsChanged_ = true;
}

void TMemoModel::MakeCaretVisible() {
    TTextPoint topLeft{LeftCol(), TopRow()};
    if (Caret_.Row < topLeft.Row)
        topLeft.Row = Caret_.Row;
    else if (Caret_.Row >= topLeft.Row + Rows())
        topLeft.Row = Caret_.Row - Rows() + 1;
    const int32_t cell = CaretCell();
    if (cell < topLeft.Col)
        topLeft.Col = cell;
    else if (cell >= topLeft.Col + Cols())
        topLeft.Col = cell - Cols() + 1;
    ScrollTo(topLeft);
}

bool TMemoModel::IsVisible(TTextPoint point) const {
    const int32_t cell = CellOf(point);
    return point.Row >= TopRow() && point.Row < TopRow() + Rows() && cell >= LeftCol() &&
           cell < LeftCol() + Cols();
}

bool TMemoModel::ContinueHighlight(std::chrono::microseconds budget) {
    const TCommandScope scope(*this);
    Cascade_.RunUntil(std::chrono::steady_clock::now() + budget);
    return Cascade_.Pending();
}

void TMemoModel::Repaint(int32_t first, int32_t last) {
    RepaintFirst_ = RepaintFirst_ < 0 ? first : std::min(RepaintFirst_, first);
    RepaintLast_ = std::max(RepaintLast_, last);
}

void TMemoModel::RepaintArea(const TDCTextArea& area) {
    if (!area.Empty) Repaint(area.Start.Row, area.End.Row);
}

void TMemoModel::Flush() {
    // Fewer lines, fewer visible rows or other options may have moved the
    // last row the caret may take.
    Caret_ = ClampCaret(Caret_);
    FollowCaretWithCompletion();
    Cascade_.RunWithin(TopRow(), TopRow() + Rows() - 1);
    if (const std::optional<TRowSpan> touched = Cascade_.TakeTouched())
        Repaint(touched->First, touched->Last);
    if (TextTouched_ || Caret_ != ReportedCaret_) {
        std::optional<TBracketPair> brackets = MatchBrackets(Lines_, Caret_);
        if (brackets != Brackets_) {
            for (const std::optional<TBracketPair>& pair : {Brackets_, brackets})
                if (pair) Repaint(pair->Open.Row, pair->Close.Row);
            Brackets_ = brackets;
        }
    }
    // Take the report before sending it: a handler may call back in.
    const int32_t scrolledCols = std::exchange(ScrolledCols_, 0);
    const int32_t scrolledRows = std::exchange(ScrolledRows_, 0);
    const TRowSpan repaint{RepaintFirst_, RepaintLast_};
    RepaintFirst_ = RepaintLast_ = -1;
    const bool scrollBars = std::exchange(ScrollBarsChanged_, false);
    const bool caretMoved = Caret_ != ReportedCaret_;
    ReportedCaret_ = Caret_;
    const bool changed = std::exchange(Changed_, false);
    const bool completionChanged = std::exchange(CompletionChanged_, false);
    TextTouched_ = false;
    const int32_t count = Lines_.Count();
    const bool countChanged = std::exchange(ReportedLineCount_, count) != count;
    const bool canUndo = CanUndo();
    const bool undoChanged = std::exchange(ReportedCanUndo_, canUndo) != canUndo;
    const bool canRedo = CanRedo();
    const bool redoChanged = std::exchange(ReportedCanRedo_, canRedo) != canRedo;

    if ((scrolledCols != 0 || scrolledRows != 0) && OnScrolled)
        OnScrolled(scrolledCols, scrolledRows);
    if (countChanged && OnLineCountChanged) OnLineCountChanged(count);
    if (repaint.First >= 0 && OnRepaint) OnRepaint(repaint);
    if (scrollBars && OnScrollBarsChanged) OnScrollBarsChanged();
    if (caretMoved && OnColRowChanged) OnColRowChanged(Caret_.Col, Caret_.Row);
    if (changed && OnChange) OnChange();
    if (completionChanged && OnCompletionChanged) OnCompletionChanged();
    if (undoChanged && OnUndoAvailableChanged) OnUndoAvailableChanged(canUndo);
    if (redoChanged && OnRedoAvailableChanged) OnRedoAvailableChanged(canRedo);
    if (Cascade_.Pending() && OnHighlightPending) OnHighlightPending();
}

} // namespace zk::editor
