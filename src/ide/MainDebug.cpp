// The main window's stepper: the "Отладка" commands, a debug run's stops
// shown in the editors (the arrow, the waiting calls, the shaded form) and in
// the debug panel, and the breakpoints set in the gutter. The run itself is
// the language system's TDebugRun on its worker; its stops come back here
// through a queued call.
#include "ide/MainWindow.h"

#include "debug/RunFailure.h"
#include "frontend/Cp1251.h"
#include "ide/DebugPanel.h"
#include "ide/QtText.h"
#include "ide/RunDialogs.h"

#include <QAction>

#include <QTabBar>
#include <algorithm>
#include <utility>

namespace zk::ide {

void TMainFrm::MnuStepIntoItmClick() {
    Debug(TDebugCommand::StepInto);
}

void TMainFrm::MnuStepOverItmClick() {
    Debug(TDebugCommand::StepOver);
}

void TMainFrm::MnuStepOutItmClick() {
    Debug(TDebugCommand::StepOut);
}

void TMainFrm::MnuContinueItmClick() {
    Debug(TDebugCommand::Continue);
}

void TMainFrm::MnuRunToCursorItmClick() {
    Debug(TDebugCommand::RunTo);
}

void TMainFrm::MnuStepBackItmClick() {
    if (DebugRun_ && !DebugRun_->StepBack()) SetPanel(0, "Шаг назад невозможен");
}

void TMainFrm::MnuStopDebugItmClick() {
    if (!DebugRun_) return;
    DebugRun_->Stop();
    EndDebugRun();
    SetPanel(0, "Отладка прервана");
}

void TMainFrm::MnuBreakpointItmClick() {
    ToggleBreakpoint(Table_.TabSlot(Table_.CurTab()), Editor().Row());
}

// A step command starts a debug run when none is going, and is given at the
// run's first stop, the main function's entry: F7 then stops at its first
// form, the others go on as they say.
void TMainFrm::Debug(TDebugCommand command) {
    if (!DebugRun_) {
        PendingDebugCommand_ = command;
        if (!StartDebugRun()) PendingDebugCommand_.reset();
        return;
    }
    if (!GiveDebugCommand(command) && !DebugRun_->Running())
        SetPanel(0, "Выполнение закончено: начните отладку заново (Ctrl+F2, затем F7)");
}

bool TMainFrm::GiveDebugCommand(TDebugCommand command) {
    LastDebugCommand_ = command;
    switch (command) {
    case TDebugCommand::StepInto: return DebugRun_->StepInto();
    case TDebugCommand::StepOver: return DebugRun_->StepOver();
    case TDebugCommand::StepOut: return DebugRun_->StepOut();
    case TDebugCommand::Continue: return DebugRun_->Continue();
    case TDebugCommand::RunTo: {
        const int32_t file = FormFileOfSlot(Table_.TabSlot(Table_.CurTab()));
        if (file < 0) return false;
        RunToFile_ = file;
        RunToLine_ = Editor().Row() + 1;
        if (DebugRun_->RunTo(file, RunToLine_)) return true;
        SetPanel(0, "На этой строке не начинается ни одна форма");
        return false;
    }
    }
    return false;
}

bool TMainFrm::StartDebugRun() {
    TCommandOutcome outcome = Build_.PrepareRun(BuildInput());
    ApplyOutcome(outcome);
    if (!outcome.Code || !outcome.Forms) return false;
    if (outcome.SaveAll) MnuSaveAllItmClick();
    DebugChoice_ = RunChoice();
    std::string key = Table_.Current().FilePath;
    if (key.empty()) key.append(1, '#').append(std::to_string(Table_.TabSlot(Table_.CurTab())));
    TRunOutcome prepared = TRunOutcome::Ran;
    std::unique_ptr<TInterpreter> run =
        RunWindows_->PrepareRun(std::move(*outcome.Code), Options_, DebugChoice_, key, prepared);
    if (!run) {
        if (prepared == TRunOutcome::Cancelled) SetPanel(0, "Выполнение отменено");
        return false;
    }

    FormFileSlots_ = SlotsOfFormFiles(*outcome.Forms, outcome.MainModule, outcome.TempEntry);

    TDebugOptions options;
    options.StepLimit =
        Options_.DebugStepLimit > 0 ? Options_.DebugStepLimit : kDefaultDebugStepLimit;
    DebugRun_ = std::make_unique<TDebugRun>(std::move(run), std::move(*outcome.Forms), options);
    DebugTexts_ = std::make_unique<TDebugTexts>(TDebugTexts::Read(DebugRun_->Forms()));
    for (int slot = 1; slot <= kMaxDocuments; ++slot) {
        editor::TDCSyntaxMemo* memo = Editors_->MemoOf(slot);
        const int32_t file = FormFileOfSlot(slot);
        if (!memo || file < 0) continue;
        for (const editor::TBreakpoint& breakpoint : std::vector(memo->Breakpoints()))
            memo->SetBreakpoint(breakpoint.Row, DebugRun_->SetBreakpoint(file, breakpoint.Row + 1)
                                                    ? editor::TBreakpointState::Set
                                                    : editor::TBreakpointState::Invalid);
    }
    Editors_->SetAllReadOnly(true);
    DebugPanel_->show();
    SetPanel(0, "Идёт отладка");
    SetDebugActions();
    DebugRun_->Start([this](const TStop&) {
        QMetaObject::invokeMethod(
            this, [this] { OnDebugStop(); }, Qt::QueuedConnection);
    });
    return true;
}

// Which open document each file of a form map stands for: the main module is
// the current document, a copy in the temporary directory the open document
// of that name, any other file the document of that path; 0 when none is open.
std::vector<int> TMainFrm::SlotsOfFormFiles(const TFormMap& forms, const std::string& mainModule,
                                            const std::string& tempEntry) const {
    std::vector<int> fileSlots(forms.Files.size(), 0);
    for (std::size_t file = 0; file < forms.Files.size(); ++file) {
        const std::string& path = forms.Files[file];
        if (path == mainModule) {
            fileSlots[file] = Table_.TabSlot(Table_.CurTab());
            continue;
        }
        const bool copy = path.starts_with(tempEntry);
        for (int slot = 1; slot <= kMaxDocuments && fileSlots[file] == 0; ++slot) {
            const TOpenFile& document = Table_.Slot(slot);
            if (document.IsFree || document.FilePath.empty()) continue;
            if (copy ? FileNameOf(document.FilePath) == path.substr(tempEntry.size())
                     : document.FilePath == path)
                fileSlots[file] = slot;
        }
    }
    return fileSlots;
}

// The message box of a failed run gains the failing form's file, line and
// column and the call it failed in; after the box the caret goes there.
void TMainFrm::PrepareFailurePlace(const TFormMap& forms, std::vector<int> fileSlots) {
    RunWindows_->Interp.FailureDetail = [this, &forms, fileSlots](const TInterpreter& run) {
        const std::optional<TRunFailure> failure = DescribeFailure(run, forms, {}, 1);
        if (!failure || failure->Form.Form < 0) return QString();
        const int slot = fileSlots.at(static_cast<std::size_t>(failure->Form.File));
        const std::string name =
            slot != 0 ? Table_.Slot(slot).FilePath.empty()
                            ? Table_.TabTitle(Table_.TabOfSlot(slot))
                            : FileNameText(Table_.Slot(slot).FilePath)
                      : FileNameText(forms.Files.at(static_cast<std::size_t>(failure->Form.File)));
        QString text = QString("\nФайл: %1, строка %2, столбец %3")
                           .arg(FromText1251(name))
                           .arg(failure->Form.Place.Line)
                           .arg(failure->Form.Place.Column);
        if (!failure->Calls.empty()) {
            const TCallPlace& call = failure->Calls.front();
            std::string shown = "(" + call.Name;
            for (const std::string& arg : call.Args)
                shown += " " + arg;
            text += "\nВ вызове: " + FromText1251(shown + ")");
        }
        return text;
    };
}

void TMainFrm::ShowFailurePlace(const TInterpreter& run, const TFormMap& forms,
                                std::vector<int> fileSlots) {
    const std::optional<TRunFailure> failure = DescribeFailure(run, forms, {}, 0);
    if (!failure || failure->Form.Form < 0) return;
    // A failure in a file that is not open opens it, as a stop there would.
    FormFileSlots_ = std::move(fileSlots);
    const TDebugTexts places(forms, {});
    const TFormRange range = places.RangeOf(failure->Form.Form);
    int slot = FormFileSlots_.at(static_cast<std::size_t>(range.File));
    if (slot == 0) {
        const std::string& path = forms.Files.at(static_cast<std::size_t>(range.File));
        ShowStatus(Commands_.OpenPath(path));
        if (Table_.TabOfFile(path) >= 0) slot = Table_.TabSlot(Table_.TabOfFile(path));
    }
    FormFileSlots_.clear();
    if (slot == 0) return;
    if (Table_.TabOfSlot(slot) != Table_.CurTab()) Commands_.ChangeTab(Table_.TabOfSlot(slot));
    ShowTabs();
    Editor().SetSelection({range.FromCol, range.FromRow}, {range.ToCol, range.ToRow});
    Editor().EnsureRangeVisible({range.FromCol, range.FromRow}, {range.ToCol, range.ToRow});
    Editor().TakeFocus();
}

void TMainFrm::OnDebugStop() {
    if (!DebugRun_ || DebugRun_->Running()) return;
    const TStopView view = DebugRun_->View();
    switch (view.Stop.Kind) {
    case TStopKind::Finished: {
        std::unique_ptr<TDebugRun> ended = std::move(DebugRun_);
        EndDebugRun();
        SetPanel(0, "Отладка завершена");
        RunWindows_->Deliver(ended->Interpreter(), Options_, DebugChoice_);
        return;
    }
    case TStopKind::Stopped:
        EndDebugRun();
        SetPanel(0, "Отладка прервана");
        return;
    default: break;
    }
    if (const std::optional<TDebugCommand> pending = std::exchange(PendingDebugCommand_, {}))
        if (GiveDebugCommand(*pending)) return;
    ShowDebugStop(view);
    if (view.Stop.Kind == TStopKind::Error) {
        Dialogs_.Inform(this, "Ошибка", StopCaption(view.Stop), TMessageIcon::Error);
    } else if (view.Stop.Kind == TStopKind::StepLimit &&
               Dialogs_.Message(this, "Отладка",
                                QString("Выполнено шагов: %1. Программа, возможно, не "
                                        "заканчивается. Продолжить?")
                                    .arg(view.Stop.Step),
                                TMessageIcon::Question, TMessageButtons::YesNo) == TAnswer::Yes) {
        GiveDebugCommand(LastDebugCommand_);
    }
}

void TMainFrm::ShowDebugStop(const TStopView& view) {
    ClearDebugMarks();
    const bool failed = view.Stop.Kind == TStopKind::Error;
    if (view.Stop.Form >= 0)
        ShowForm(view.Stop.Form, true, failed ? editor::TShade::Failed : editor::TShade::Current);
    // The calls waiting on the stack, at their call places in their documents.
    std::vector<std::vector<int32_t>> waiting(kMaxDocuments + 1);
    for (const TFrameView& frame : view.Calls) {
        const TFormRange range = DebugTexts_->RangeOf(frame.CallForm);
        if (const int slot = SlotOfFormFile(range.File, false))
            waiting[slot].push_back(range.FromRow);
    }
    const TFormRange current = DebugTexts_->RangeOf(view.Stop.Form);
    const int currentSlot = SlotOfFormFile(current.File, false);
    for (int slot = 1; slot <= kMaxDocuments; ++slot) {
        editor::TDCSyntaxMemo* memo = Editors_->MemoOf(slot);
        if (!memo || (waiting[slot].empty() && slot != currentSlot)) continue;
        memo->SetRunMarks(slot == currentSlot ? current.FromRow : -1,
                          view.Stop.Kind == TStopKind::Breakpoint, waiting[slot]);
    }
    DebugPanel_->ShowStop(view, *DebugTexts_, DebugRun_->Interpreter().Code());
    SetPanel(0, StopCaption(view.Stop));
    ++DebugStopsShown_;
}

bool TMainFrm::ShowForm(int32_t form, bool shade, editor::TShade shading) {
    const TFormRange range = DebugTexts_->RangeOf(form);
    const int slot = SlotOfFormFile(range.File, true);
    if (slot == 0) return false;
    for (int tab = 0; tab < Table_.OpenCount(); ++tab)
        if (Table_.TabSlot(tab) == slot && tab != Table_.CurTab()) {
            Commands_.ChangeTab(tab);
            ShowTabs();
        }
    editor::TDCSyntaxMemo& memo = Editor();
    const editor::TTextPoint from{range.FromCol, range.FromRow};
    const editor::TTextPoint to{range.ToCol, range.ToRow};
    if (shade) memo.SetShadedRange(from, to, shading);
    memo.EnsureRangeVisible(from, to);
    return true;
}

int TMainFrm::SlotOfFormFile(int32_t file, bool open) {
    if (file < 0 || static_cast<std::size_t>(file) >= FormFileSlots_.size()) return 0;
    int& slot = FormFileSlots_[static_cast<std::size_t>(file)];
    if (slot != 0 && Table_.Slot(slot).IsFree) slot = 0; // closed since
    if (slot != 0 || !open) return slot;
    // A file the run reads from elsewhere (an include directory): opened,
    // read-only like every editor while the run goes on.
    const std::string& path = DebugRun_->Forms().Files[static_cast<std::size_t>(file)];
    Table_.KeepStartDocument();
    ShowStatus(Commands_.OpenPath(path));
    ShowTabs();
    if (Table_.TabOfFile(path) >= 0) slot = Table_.TabSlot(Table_.TabOfFile(path));
    return slot;
}

int32_t TMainFrm::FormFileOfSlot(int slot) const {
    for (std::size_t file = 0; file < FormFileSlots_.size(); ++file)
        if (FormFileSlots_[file] == slot && slot != 0) return static_cast<int32_t>(file);
    return -1;
}

void TMainFrm::ShowFrame(int frame) {
    if (!DebugRun_ || DebugRun_->Running()) return;
    const TStopView view = DebugRun_->View();
    if (frame < 0 || static_cast<std::size_t>(frame) >= view.Calls.size()) return;
    const int32_t form = view.Calls[static_cast<std::size_t>(frame)].CallForm;
    if (form >= 0) ShowForm(form, false, editor::TShade::Current);
}

void TMainFrm::ClearDebugMarks() {
    for (int slot = 1; slot <= kMaxDocuments; ++slot)
        if (editor::TDCSyntaxMemo* memo = Editors_->MemoOf(slot)) {
            memo->ClearRunMarks();
            memo->ClearShadedRange();
        }
}

void TMainFrm::EndDebugRun() {
    ClearDebugMarks();
    DebugRun_.reset();
    DebugTexts_.reset();
    FormFileSlots_.clear();
    Editors_->SetAllReadOnly(false);
    DebugPanel_->Clear();
    SetDebugActions();
}

// A breakpoint is set before a run as the student asks; during one the run
// says whether a form starts on the line.
void TMainFrm::ToggleBreakpoint(int slot, int row) {
    editor::TDCSyntaxMemo* memo = Editors_->MemoOf(slot);
    if (!memo) return;
    const int32_t file = DebugRun_ ? FormFileOfSlot(slot) : -1;
    const bool set = std::any_of(memo->Breakpoints().begin(), memo->Breakpoints().end(),
                                 [row](const editor::TBreakpoint& b) { return b.Row == row; });
    if (set) {
        memo->ClearBreakpoint(row);
        if (file >= 0) DebugRun_->ClearBreakpoint(file, row + 1);
        return;
    }
    const bool valid = file < 0 || DebugRun_->SetBreakpoint(file, row + 1);
    memo->SetBreakpoint(row,
                        valid ? editor::TBreakpointState::Set : editor::TBreakpointState::Invalid);
}

void TMainFrm::SetDebugActions() {
    const bool on = DebugRun_ != nullptr;
    for (const char* name : {"MnuStepBackItm", "MnuStopDebugItm"})
        Action(QString::fromLatin1(name))->setEnabled(on);
}

} // namespace zk::ide
