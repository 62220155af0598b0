// TMainFrm's code intelligence: the current document analysed on the worker
// after a pause in typing, its first error underlined, marked in the gutter
// and named in the status bar, the outline above the editor, go to
// definition, the list of calls, hovers and completion.
#include "ide/AnalysisWorker.h"
#include "ide/CodeIntel.h"
#include "ide/MainWindow.h"
#include "ide/QtText.h"
#include "ide/ReferencesPanel.h"
#include "ide/TempFiles.h"

#include <QComboBox>
#include <QLabel>

namespace zk::ide {

namespace {

// Long enough that a typed word is not analysed letter by letter.
constexpr int kTypingPauseMs = 300;

editor::TTextPoint From(const TIntelRange& range) {
    return {range.FromCol, range.FromRow};
}
editor::TTextPoint To(const TIntelRange& range) {
    return {range.ToCol, range.ToRow};
}

QString Html(const std::string& text) {
    return FromText1251(text).toHtmlEscaped().replace(QLatin1Char('\n'), QStringLiteral("<br>"));
}

QString HoverHtml(const analysis::THover& hover) {
    QStringList parts;
    if (!hover.Signature.empty()) parts.append("<b>" + Html(hover.Signature) + "</b>");
    if (!hover.Text.empty()) parts.append(Html(hover.Text));
    if (!hover.Example.empty()) parts.append("<i>Пример:</i> <tt>" + Html(hover.Example) + "</tt>");
    return parts.join(QStringLiteral("<br>"));
}

} // namespace

void TMainFrm::CreateCodeIntel() {
    Analyser_ = new TAnalysisWorker(this);
    Analyser_->Ready = [this](TAnalysisKey key,
                              std::shared_ptr<const analysis::TAnalysis> analysis) {
        if (key == CurrentAnalysisKey()) TakeAnalysis(key, std::move(analysis));
    };
    AnalysisTimer_.setSingleShot(true);
    AnalysisTimer_.setInterval(kTypingPauseMs);
    connect(&AnalysisTimer_, &QTimer::timeout, this, &TMainFrm::RequestAnalysis);
    References_ = new TReferencesPanel(this);
    addDockWidget(Qt::BottomDockWidgetArea, References_);
    References_->hide();
    References_->RowChosen = [this](int row) {
        if (row >= 0 && static_cast<std::size_t>(row) < ReferencePlaces_.size())
            GoToPlace(ReferencePlaces_[static_cast<std::size_t>(row)]);
    };
    connect(CmbOutline_, &QComboBox::activated, this, [this](int item) {
        if (!Intel_ || item < 0 || static_cast<std::size_t>(item) >= Intel_->Outline().size())
            return;
        GoToPlace({true, {}, {}, Intel_->Outline()[static_cast<std::size_t>(item)].NameRange});
    });
    Editors_->Hovered = [this](editor::TTextPoint point, QPoint globalPos) {
        ShowHover(point, globalPos);
    };
    Editors_->CtrlClicked = [this](editor::TTextPoint point) { GoToDefinitionAt(point); };
    Editors_->CompletionRequested = [this](editor::TTextPoint caret) { ShowCompletionsAt(caret); };
}

TAnalysisKey TMainFrm::CurrentAnalysisKey() const {
    const int slot = Table_.TabSlot(Table_.CurTab());
    return {slot, EditCounts_[static_cast<std::size_t>(slot - 1)]};
}

void TMainFrm::OnDocumentEdited() {
    ++EditCounts_[static_cast<std::size_t>(Table_.TabSlot(Table_.CurTab()) - 1)];
    AnalysisTimer_.start();
}

// A document that became current is analysed at once: nothing is being typed.
void TMainFrm::OnDocumentShown() {
    if (Intel_ && IntelKey_ != CurrentAnalysisKey()) {
        Intel_.reset();
        ShowOutline();
    }
    AnalysisTimer_.stop();
    RequestAnalysis();
}

analysis::TAnalysisInput TMainFrm::CurrentAnalysisInput() const {
    analysis::TAnalysisInput input;
    const int current = Table_.TabSlot(Table_.CurTab());
    input.Path = Table_.Slot(current).FilePath;
    input.Text = Editors_->Text();
    // A build searches the open documents first (it writes them into the
    // temporary directory), then the include directories.
    for (const std::string& dir : Options_.Include)
        if (!dir.empty()) input.IncludePaths.push_back(dir.back() == '/' ? dir : dir + '/');
    for (int slot = 1; slot <= kMaxDocuments; ++slot) {
        const TOpenFile& file = Table_.Slot(slot);
        if (slot == current || file.IsFree || file.FilePath.empty()) continue;
        input.OpenTexts.push_back({FileNameOf(file.FilePath), file.FilePath, file.Text});
    }
    input.Classic = !Options_.UseNew;
    return input;
}

void TMainFrm::RequestAnalysis() {
    if (Analyser_) Analyser_->Request(CurrentAnalysisKey(), CurrentAnalysisInput());
}

void TMainFrm::TakeAnalysis(TAnalysisKey key, std::shared_ptr<const analysis::TAnalysis> analysis) {
    Intel_ = std::make_unique<TCodeIntel>(std::move(analysis));
    IntelKey_ = key;
    ShowLiveErrors();
    ShowOutline();
}

const TCodeIntel& TMainFrm::CurrentIntel() {
    const TAnalysisKey key = CurrentAnalysisKey();
    if (!Intel_ || IntelKey_ != key)
        TakeAnalysis(key, std::make_shared<const analysis::TAnalysis>(
                              AnalyseDocument(CurrentAnalysisInput())));
    return *Intel_;
}

void TMainFrm::ShowLiveErrors() {
    editor::TDCSyntaxMemo& memo = Editor();
    std::vector<editor::TEditorDiagnostic> marks;
    QString first;
    if (Options_.LiveErrors && Intel_)
        for (const TLiveError& error : Intel_->Errors()) {
            const QString message = FromText1251(error.Message);
            if (!error.Warning && first.isEmpty())
                first = QStringLiteral("Строка %1: ").arg(error.Range.FromRow + 1) + message;
            marks.push_back({From(error.Range), To(error.Range), message,
                             error.Warning ? editor::TDiagnosticSeverity::Warning
                                           : editor::TDiagnosticSeverity::Error});
        }
    memo.SetDiagnostics(marks);
    // The status bar names an error once, and that it was mended.
    if (first == LiveErrorShown_) return;
    if (!first.isEmpty())
        SetPanel(0, first);
    else if (!LiveErrorShown_.isEmpty())
        SetPanel(0, "Ошибок нет");
    LiveErrorShown_ = first;
}

void TMainFrm::ShowOutline() {
    CmbOutline_->clear();
    if (Intel_)
        for (const TOutlineItem& item : Intel_->Outline())
            CmbOutline_->addItem(FromText1251(item.Signature));
    CmbOutline_->setEnabled(CmbOutline_->count() > 0);
    // Shown while the caret stands outside every function.
    CmbOutline_->setPlaceholderText(QStringLiteral("Функций: %1").arg(CmbOutline_->count()));
    FollowCaretInOutline(Editors_->Row());
}

void TMainFrm::FollowCaretInOutline(int row) {
    CmbOutline_->setCurrentIndex(Intel_ ? Intel_->OutlineItemAt(row) : -1);
}

void TMainFrm::GoToPlace(const TIntelPlace& place) {
    if (!place.InDocument) {
        Table_.KeepStartDocument();
        ShowStatus(Commands_.OpenPath(place.Path));
        ShowTabs();
        if (Table_.TabOfFile(place.Path) != Table_.CurTab()) return;
    }
    editor::TDCSyntaxMemo& memo = Editor();
    memo.SetSelection(From(place.Range), To(place.Range));
    memo.EnsureRangeVisible(From(place.Range), To(place.Range));
    memo.TakeFocus();
}

void TMainFrm::GoToDefinitionAt(editor::TTextPoint point) {
    if (const std::optional<TIntelPlace> place = CurrentIntel().DefinitionAt(point.Row, point.Col))
        GoToPlace(*place);
    else
        SetPanel(0, "Определение не найдено");
}

void TMainFrm::MnuDefinitionItmClick() {
    GoToDefinitionAt({Editors_->Col(), Editors_->Row()});
}

void TMainFrm::MnuReferencesItmClick() {
    const std::vector<TReference> references =
        CurrentIntel().ReferencesAt(Editors_->Row(), Editors_->Col());
    if (references.empty()) {
        SetPanel(0, "Вызовов не найдено");
        return;
    }
    QStringList rows;
    ReferencePlaces_.clear();
    for (const TReference& reference : references) {
        const QString file = reference.Place.InDocument
                                 ? FromText1251(Table_.TabTitle(Table_.CurTab()))
                                 : FromText1251(reference.Place.FileName);
        rows.append(QStringLiteral("%1:%2: %3")
                        .arg(file)
                        .arg(reference.Place.Range.FromRow + 1)
                        .arg(FromText1251(reference.LineText).trimmed()));
        ReferencePlaces_.push_back(reference.Place);
    }
    References_->ShowRows(QStringLiteral("Вызовы: %1").arg(rows.size()), rows);
}

void TMainFrm::ShowHover(editor::TTextPoint point, QPoint globalPos) {
    const std::optional<analysis::THover> hover = CurrentIntel().HoverAt(point.Row, point.Col);
    Editor().ShowHoverText(hover ? HoverHtml(*hover) : QString(), globalPos);
}

void TMainFrm::ShowCompletionsAt(editor::TTextPoint caret) {
    Editor().ShowCompletions(CurrentIntel().CompletionsAt(caret.Row, caret.Col));
}

void TMainFrm::MnuCompleteItmClick() {
    ShowCompletionsAt({Editors_->Col(), Editors_->Row()});
}

} // namespace zk::ide
