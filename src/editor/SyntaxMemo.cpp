// The editor's widget. Every user action becomes one call on the model; the
// model answers through its notices (scrolled, rows to repaint, scroll bars,
// caret moved, idle highlighting pending, the completion list changed),
// which this file turns into viewport updates of just the affected rows,
// scroll-bar settings, the popup and signals.
#include "editor/SyntaxMemo.h"

#include "editor/MemoAccessible.h"
#include "editor/QtKeys.h"
#include "editor/QtText1251.h"
#include "editor/ZKSyntaxData.h"
#include "frontend/FileIO.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QInputMethodEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextDocument>
#include <QToolTip>

namespace zk::editor {

namespace {

// A selection dragged outside the text area scrolls one step this often.
constexpr int kAutoScrollMs = 40;
// An idle slice of the re-highlight cascade.
constexpr std::chrono::milliseconds kHighlightSlice(5);

QFont MemoFont() {
    // "Courier New" where it exists, else its metric twin from
    // fonts-liberation2, else whatever fixed-pitch font the system has.
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(kDefaultFontPoints);
    return font;
}

int32_t PointsOf(const QFont& font, const QWidget& widget) {
    if (font.pointSizeF() > 0) return qRound(font.pointSizeF());
    if (font.pixelSize() > 0) return qRound(font.pixelSize() * 72.0 / widget.logicalDpiY());
    return kDefaultFontPoints;
}

} // namespace

// The system clipboard as the model sees it. Line breaks are CR LF inside
// the editor and LF on the system's clipboard, where other programs expect it.
class TDCSyntaxMemo::TQtClipboard final : public TClipboard {
public:
    TPastedText Text() const override {
        return PastedText1251(QGuiApplication::clipboard()->text());
    }
    void SetText(const std::string& text) override {
        QString copied = FromText1251(text);
        copied.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        QGuiApplication::clipboard()->setText(copied);
    }
};

TDCSyntaxMemo::TDCSyntaxMemo(QWidget* parent) : TDCSyntaxMemo(nullptr, parent) {}

TDCSyntaxMemo::TDCSyntaxMemo(std::unique_ptr<TDCCustomSyntaxData> syntax, QWidget* parent)
    : QAbstractScrollArea(parent),
      Model_(syntax ? std::move(syntax) : std::make_unique<TDCZKSyntaxData>()),
      Clipboard_(std::make_unique<TQtClipboard>()),
      GutterToolTip_(QStringLiteral("Точка останова: щелчок ставит или снимает")) {
    InstallMemoAccessible();
    setAttribute(Qt::WA_InputMethodEnabled);
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Every pixel of the viewport is painted, so scrolling can move pixels.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setCursor(Qt::IBeamCursor);
    // The link under Control follows the mouse, and a tooltip hides when the
    // mouse leaves its word.
    viewport()->setMouseTracking(true);
    Model_.SetClipboard(Clipboard_.get());
    Popup_ = new TCompletionPopup(this);
    connect(Popup_, &TCompletionPopup::Clicked, this, [this](int match) {
        Model_.ChooseCompletion(match);
        Model_.AcceptCompletion();
    });

    BlinkTimer_.callOnTimeout(this, &TDCSyntaxMemo::Blink);
    HighlightTimer_.setSingleShot(true);
    HighlightTimer_.callOnTimeout(this, &TDCSyntaxMemo::HighlightSlice);
    AutoScrollTimer_.setInterval(kAutoScrollMs);
    AutoScrollTimer_.callOnTimeout(this, &TDCSyntaxMemo::AutoScroll);
    connect(QGuiApplication::styleHints(), &QStyleHints::cursorFlashTimeChanged, this,
            [this] { RestartBlink(); });

    ConnectModel();
    ConnectScrollBars();
    SetEditorFont(MemoFont());
    ApplyFont();
    SyncScrollBars();
}

TDCSyntaxMemo::~TDCSyntaxMemo() = default;

void TDCSyntaxMemo::ConnectModel() {
    Model_.OnChange = [this] { emit OnChange(); };
    Model_.OnColRowChanged = [this](int32_t col, int32_t row) {
        CaretMoved();
        emit OnColRowChanged(col, row);
    };
    Model_.OnSetInsertMode = [this](bool insert) {
        RepaintRows({Model_.Row(), Model_.Row()});
        emit OnSetInsertMode(insert);
    };
    Model_.OnModifiedChanged = [this](bool modified) { emit OnModifiedChanged(modified); };
    Model_.OnGutterClick = [this](TTextPoint down, TTextPoint up) {
        emit OnGutterClick(QPoint(down.Col, down.Row), QPoint(up.Col, up.Row));
    };
    Model_.OnGutterLineClicked = [this](int32_t row) { emit OnGutterLineClicked(row); };
    Model_.OnPasteReplaced = [this](int32_t count) { emit OnPasteReplaced(count); };
    Model_.OnUndoAvailableChanged = [this](bool available) {
        emit OnUndoAvailableChanged(available);
    };
    Model_.OnRedoAvailableChanged = [this](bool available) {
        emit OnRedoAvailableChanged(available);
    };
    Model_.Zoom().OnChanged = [this](int32_t points) {
        ShowZoomedFont();
        emit OnFontPointSizeChanged(points);
    };
    Model_.OnScrolled = [this](int32_t cols, int32_t rows) { Scrolled(cols, rows); };
    Model_.OnLineCountChanged = [this](int32_t) { FitGutter(); };
    Model_.OnRepaint = [this](TRowSpan rows) { RepaintRows(rows); };
    Model_.OnScrollBarsChanged = [this] { SyncScrollBars(); };
    Model_.OnHighlightPending = [this] { ScheduleHighlight(); };
    Model_.OnCtrlClick = [this](TTextPoint point) { emit OnCtrlClick(point); };
    Model_.OnCompletionRequested = [this](TTextPoint caret) { emit OnCompletionRequested(caret); };
    Model_.OnCompletionChanged = [this] { ShowCompletionPopup(); };
}

void TDCSyntaxMemo::ConnectScrollBars() {
    const auto connectBar = [this](QScrollBar* bar, TScrollKind kind) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setSingleStep(1);
        // Every move of a bar is a scroll request to the model, which
        // decides the position; the bar then shows that position.
        connect(bar, &QAbstractSlider::actionTriggered, this, [this, bar, kind](int action) {
            std::optional<TScrollRequest> request;
            switch (action) {
            case QAbstractSlider::SliderSingleStepSub: request = TScrollRequest::LineUp; break;
            case QAbstractSlider::SliderSingleStepAdd: request = TScrollRequest::LineDown; break;
            case QAbstractSlider::SliderPageStepSub: request = TScrollRequest::PageUp; break;
            case QAbstractSlider::SliderPageStepAdd: request = TScrollRequest::PageDown; break;
            case QAbstractSlider::SliderToMinimum: request = TScrollRequest::Top; break;
            case QAbstractSlider::SliderToMaximum: request = TScrollRequest::Bottom; break;
            case QAbstractSlider::SliderMove: request = TScrollRequest::ThumbTrack; break;
            default: return;
            }
            Model_.Scroll(kind, *request, bar->sliderPosition());
            const TDCMemoScroll& scroll =
                kind == TScrollKind::Horizontal ? Model_.HScroll() : Model_.VScroll();
            bar->setSliderPosition(std::min(scroll.Position(), bar->maximum()));
        });
    };
    connectBar(horizontalScrollBar(), TScrollKind::Horizontal);
    connectBar(verticalScrollBar(), TScrollKind::Vertical);
}

// Text and files

std::string TDCSyntaxMemo::Line(int32_t row) const {
    return row >= 0 && row < LineCount() ? Model_.Lines().Get(row) : std::string();
}

void TDCSyntaxMemo::LoadFromFile(const QString& path) {
    Model_.LoadFromFile(QFile::encodeName(path).toStdString());
}

void TDCSyntaxMemo::SaveToFile(const QString& path) const {
    Model_.SaveToFile(QFile::encodeName(path).toStdString());
}

// Diagnostics, hovers and completion

void TDCSyntaxMemo::SetDiagnostic(TTextPoint from, TTextPoint to, const QString& message,
                                  TDiagnosticSeverity severity) {
    SetDiagnostics({{from, to, message, severity}});
}

void TDCSyntaxMemo::SetDiagnostics(const std::vector<TEditorDiagnostic>& diagnostics) {
    std::vector<TDiagnosticMark> marks;
    DiagnosticMessages_.clear();
    for (const TEditorDiagnostic& diagnostic : diagnostics) {
        marks.push_back({diagnostic.From, diagnostic.To, diagnostic.Severity,
                         static_cast<int32_t>(DiagnosticMessages_.size())});
        DiagnosticMessages_.push_back(diagnostic.Message);
    }
    Model_.SetDiagnostics(std::move(marks));
}

void TDCSyntaxMemo::ClearDiagnostic() {
    Model_.ClearDiagnostics();
    DiagnosticMessages_.clear();
}

// Messages are plain text: a "<" in one must not start a tag of a tooltip.
// Marks set through Model() carry no message of the view's.
QString TDCSyntaxMemo::DiagnosticMessages(const std::vector<const TDiagnosticMark*>& marks) const {
    QStringList messages;
    for (const TDiagnosticMark* mark : marks)
        if (mark->Id >= 0 && static_cast<std::size_t>(mark->Id) < DiagnosticMessages_.size())
            messages.append(DiagnosticMessages_[static_cast<std::size_t>(mark->Id)]);
    return Qt::convertFromPlainText(messages.join(QLatin1Char('\n')), Qt::WhiteSpaceNormal);
}

void TDCSyntaxMemo::ShowHoverText(const QString& text, QPoint globalPos) {
    if (HoverPos_ != globalPos) return;
    if (text.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(globalPos, text, viewport(), HoverRect_);
}

void TDCSyntaxMemo::ShowCompletions(std::vector<TCompletionItem> items) {
    if (hasFocus()) Model_.ShowCompletions(std::move(items));
}

void TDCSyntaxMemo::ShowCompletionPopup() {
    if (!Model_.Completions().Shown()) {
        Popup_->hide();
        return;
    }
    Popup_->ShowList(Model_.Completions());
    PlaceCompletionPopup();
}

// At the word's first cell; out of view the popup waits hidden.
void TDCSyntaxMemo::PlaceCompletionPopup() {
    if (!Model_.Completions().Shown()) return;
    const TTextPoint start = Model_.Completions().WordStart();
    const QRect word = Painter_->ColumnsRect(Model_, start.Row, {start.Col, start.Col + 1});
    if (!TextArea().intersects(word)) {
        Popup_->hide();
        return;
    }
    Popup_->Place(word.translated(viewport()->pos()), viewport()->geometry());
    Popup_->show();
}

void TDCSyntaxMemo::SetReadOnly(bool readOnly) {
    Model_.SetReadOnly(readOnly);
    setAttribute(Qt::WA_InputMethodEnabled, !readOnly);
}

// The font and the gutter

void TDCSyntaxMemo::SetEditorFont(const QFont& font) {
    BaseFont_ = font;
    Model_.Zoom().SetBase(PointsOf(font, *this));
    ShowZoomedFont();
}

// Setting the font sends the change that lays the grid out anew.
void TDCSyntaxMemo::ShowZoomedFont() {
    QFont zoomed = BaseFont_;
    zoomed.setPointSize(Model_.Zoom().Points());
    setFont(zoomed);
}

void TDCSyntaxMemo::ApplyFont() {
    Painter_ = std::make_unique<TMemoPainter>(font());
    Painter_->FitGutter(LineNumbers_, LineCount());
    UpdateVisibleSize();
    viewport()->update();
    updateMicroFocus();
}

void TDCSyntaxMemo::SetLineNumbers(bool shown) {
    LineNumbers_ = shown;
    FitGutter();
    viewport()->update();
}

void TDCSyntaxMemo::FitGutter() {
    if (!Painter_->FitGutter(LineNumbers_, LineCount())) return;
    UpdateVisibleSize();
    viewport()->update();
    updateMicroFocus();
}

// Geometry

QRect TDCSyntaxMemo::TextArea() const {
    const int gutter = Metrics().GutterWidth;
    return QRect(gutter, 0, std::max(0, viewport()->width() - gutter), viewport()->height());
}

void TDCSyntaxMemo::UpdateVisibleSize() {
    const TMemoMetrics& metrics = Metrics();
    const int textWidth = TextArea().width();
    Model_.SetVisibleSize(static_cast<int32_t>(textWidth / metrics.CharWidth),
                          viewport()->height() / metrics.LineHeight);
}

void TDCSyntaxMemo::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateVisibleSize();
    PlaceCompletionPopup();
}

void TDCSyntaxMemo::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange && Painter_) ApplyFont();
    if (event->type() == QEvent::PaletteChange) viewport()->update();
}

QRect TDCSyntaxMemo::CaretRect() const {
    return Painter_->CaretRect(Model_, Model_.Caret(), Caret_);
}

// The model's notices

void TDCSyntaxMemo::Scrolled(int32_t cols, int32_t rows) {
    // Whole rows move as pixels; a sideways move (a fraction of a pixel per
    // column) paints the text afresh and leaves the gutter, and a jump of a
    // page or more paints everything.
    if (cols != 0 && rows == 0)
        viewport()->update(TextArea());
    else if (cols != 0 || std::abs(rows) >= Model_.VisibleRows())
        viewport()->update();
    else
        viewport()->scroll(0, -rows * Metrics().LineHeight);
    updateMicroFocus();
    ForgetHover();
    PlaceCompletionPopup();
}

void TDCSyntaxMemo::RepaintRows(TRowSpan rows) {
    const int lineHeight = Metrics().LineHeight;
    const int64_t shown = viewport()->height() / lineHeight + 1; // with a partial last row
    const int64_t first = std::max<int64_t>(int64_t(rows.First) - Model_.TopRow(), 0);
    const int64_t last = std::min<int64_t>(int64_t(rows.Last) - Model_.TopRow(), shown - 1);
    if (first > last) return;
    viewport()->update(0, static_cast<int>(first) * lineHeight, viewport()->width(),
                       static_cast<int>(last - first + 1) * lineHeight);
}

void TDCSyntaxMemo::SyncScrollBars() {
    const auto sync = [](QScrollBar* bar, const TDCMemoScroll& scroll) {
        bar->setRange(0, scroll.BarMaximum());
        bar->setPageStep(std::max(scroll.PageSize(), 1));
        bar->setValue(std::min(scroll.Position(), bar->maximum()));
    };
    sync(horizontalScrollBar(), Model_.HScroll());
    sync(verticalScrollBar(), Model_.VScroll());
}

void TDCSyntaxMemo::CaretMoved() {
    viewport()->update(Painter_->CaretRect(Model_, PaintedCaret_, Caret_));
    // The caret's line number stands out.
    if (LineNumbers_ && PaintedCaret_.Row != Model_.Row()) {
        viewport()->update(Painter_->GutterRect(PaintedCaret_.Row - Model_.TopRow()));
        viewport()->update(Painter_->GutterRect(Model_.Row() - Model_.TopRow()));
    }
    PaintedCaret_ = Model_.Caret();
    UpdateCaret();
    RestartBlink();
    updateMicroFocus();
    NotifyAccessibility();
}

void TDCSyntaxMemo::ScheduleHighlight() {
    if (!HighlightTimer_.isActive()) HighlightTimer_.start(0);
}

void TDCSyntaxMemo::HighlightSlice() {
    if (Model_.ContinueHighlight(kHighlightSlice)) ScheduleHighlight();
}

void TDCSyntaxMemo::NotifyAccessibility() {
    if (!QAccessible::isActive()) return;
    QAccessibleTextCursorEvent moved(this, static_cast<int>(Model_.OffsetOf(Model_.Caret())));
    QAccessible::updateAccessibility(&moved);
}

// The caret

void TDCSyntaxMemo::UpdateCaret() {
    viewport()->update(CaretRect());
}

// Shows the caret at once and starts its blinking over.
void TDCSyntaxMemo::RestartBlink() {
    if (!hasFocus()) return;
    const int flashTime = QGuiApplication::styleHints()->cursorFlashTime();
    if (flashTime > 0)
        BlinkTimer_.start(flashTime / 2);
    else
        BlinkTimer_.stop();
    if (!Caret_.Shown) {
        Caret_.Shown = true;
        UpdateCaret();
    }
}

void TDCSyntaxMemo::Blink() {
    Caret_.Shown = !Caret_.Shown;
    UpdateCaret();
}

void TDCSyntaxMemo::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RestartBlink();
}

void TDCSyntaxMemo::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    Model_.CloseCompletions();
    Model_.SetLinkAt({});
    BlinkTimer_.stop();
    Caret_.Shown = false;
    if (!Caret_.Preedit.isEmpty()) {
        Caret_.Preedit.clear();
        RepaintRows({Model_.Row(), Model_.Row()});
    }
    UpdateCaret();
}

// Painting

// Rectangle by rectangle of the region: a sideways scroll while typing asks
// for the text area and one whole row, and the gutter of the other rows
// stays as it was.
void TDCSyntaxMemo::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const int lineHeight = Metrics().LineHeight;
    for (const QRect& area : event->region())
        Painter_->PaintRows(painter, Model_, palette(), std::max(area.top(), 0) / lineHeight,
                            area.bottom() / lineHeight, area, viewport()->width());
    Painter_->PaintCaret(painter, Model_, palette(), Caret_);
}

// Keys and the input method

bool TDCSyntaxMemo::TakesKey(const QKeyEvent& event) const {
    if (const std::optional<TKeyStroke> stroke = KeyStrokeOf(event);
        stroke && HandlesKey(Model_, stroke->Key, stroke->Shift))
        return true;
    return !Model_.ReadOnly() && TypesText(event) && !TypedText1251(event.text()).empty();
}

bool TDCSyntaxMemo::event(QEvent* event) {
    // The keys the editor handles are its own while it has the focus: the
    // window's shortcuts must not take Delete, Home or Control+Z from it.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (TakesKey(*key)) {
            key->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

// Tab and Shift+Tab are the editor's keys, never a move of the focus.
bool TDCSyntaxMemo::focusNextPrevChild(bool) {
    return false;
}

void TDCSyntaxMemo::keyPressEvent(QKeyEvent* event) {
    ForgetHover();
    if (event->key() == Qt::Key_Control)
        FollowLink(MouseAt_, event->modifiers() | Qt::ControlModifier);
    if (const std::optional<TKeyStroke> stroke = KeyStrokeOf(*event);
        stroke && HandleKey(Model_, stroke->Key, stroke->Shift)) {
        RestartBlink();
        event->accept();
        return;
    }
    if (TypesText(*event)) {
        const std::string typed = TypedText1251(event->text());
        if (!typed.empty()) {
            if (!Model_.ReadOnly()) Model_.TypeText(typed);
            RestartBlink();
            event->accept();
            return;
        }
    }
    event->ignore();
}

void TDCSyntaxMemo::keyReleaseEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Control)
        FollowLink(MouseAt_, event->modifiers() & ~Qt::ControlModifier);
    QAbstractScrollArea::keyReleaseEvent(event);
}

// An input method that corrects what was typed replaces characters of the
// caret's line around the caret (`start` counted from the caret) with its
// commit string.
void TDCSyntaxMemo::DeleteAroundCaret(int start, int length) {
    if (length <= 0) return;
    const auto lineLength = static_cast<int64_t>(Line(Model_.Row()).size());
    const int64_t caret = std::min<int64_t>(Model_.Col(), lineLength);
    const int64_t from = std::clamp<int64_t>(caret + start, 0, lineLength);
    const int64_t to = std::clamp<int64_t>(from + length, from, lineLength);
    if (from == to) return;
    Model_.SetSelection({static_cast<int32_t>(from), Model_.Row()},
                        {static_cast<int32_t>(to), Model_.Row()});
    Model_.DeleteSelection();
}

void TDCSyntaxMemo::inputMethodEvent(QInputMethodEvent* event) {
    if (!Model_.ReadOnly()) {
        DeleteAroundCaret(event->replacementStart(), event->replacementLength());
        const std::string typed = TypedText1251(event->commitString());
        if (!typed.empty()) Model_.TypeText(typed);
    }
    const QString preedit = event->preeditString();
    int cursor = static_cast<int>(preedit.size());
    for (const QInputMethodEvent::Attribute& attribute : event->attributes())
        if (attribute.type == QInputMethodEvent::Cursor) cursor = attribute.start;
    if (preedit != Caret_.Preedit || cursor != Caret_.PreeditCursor) {
        RepaintRows({Model_.Row(), Model_.Row()});
        Caret_.Preedit = preedit;
        Caret_.PreeditCursor = std::clamp(cursor, 0, static_cast<int>(preedit.size()));
        RepaintRows({Model_.Row(), Model_.Row()});
        updateMicroFocus();
    }
    RestartBlink();
    event->accept();
}

QVariant TDCSyntaxMemo::inputMethodQuery(Qt::InputMethodQuery query) const {
    const std::string line = Line(Model_.Row());
    const int inLine = std::min(Model_.Col(), static_cast<int32_t>(line.size()));
    switch (query) {
    case Qt::ImEnabled: return !Model_.ReadOnly();
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine | Qt::ImhNoPredictiveText);
    case Qt::ImFont: return font();
    case Qt::ImCursorRectangle: {
        const QRect caret = CaretRect();
        return QRect(viewport()->mapTo(this, caret.topLeft()), caret.size());
    }
    case Qt::ImCursorPosition: return inLine;
    case Qt::ImAnchorPosition: {
        const TDCTextArea& selection = Model_.Selection();
        if (selection.Empty) return inLine;
        const TTextPoint anchor =
            selection.Start == Model_.Caret() ? selection.End : selection.Start;
        if (anchor.Row != Model_.Row()) return inLine;
        return std::min(anchor.Col, static_cast<int32_t>(line.size()));
    }
    case Qt::ImSurroundingText: return FromText1251(line);
    case Qt::ImCurrentSelection: return FromText1251(Model_.SelectedText());
    case Qt::ImTextBeforeCursor: return FromText1251(std::string_view(line).substr(0, inLine));
    case Qt::ImTextAfterCursor: return FromText1251(std::string_view(line).substr(inLine));
    default: return QAbstractScrollArea::inputMethodQuery(query);
    }
}

// The mouse and the wheel

void TDCSyntaxMemo::mousePressEvent(QMouseEvent* event) {
    ForgetHover();
    if (event->button() != Qt::LeftButton) return;
    const QPointF point = event->position();
    if (InGutter(point)) {
        Press_ = TPress::Gutter;
        GutterDown_ = CellAt(point);
        return;
    }
    if (event->modifiers() == Qt::ControlModifier && Model_.ControlClick(CellAt(point))) {
        Press_ = TPress::None;
        return;
    }
    Press_ = TPress::Text;
    LastMouse_ = point;
    Model_.MouseDown(CellAt(point), (event->modifiers() & Qt::ShiftModifier) != 0);
    RestartBlink();
}

void TDCSyntaxMemo::mouseMoveEvent(QMouseEvent* event) {
    MouseAt_ = event->position();
    if (HoverPos_ && !QRectF(HoverRect_).contains(MouseAt_)) ForgetHover();
    FollowLink(MouseAt_, event->modifiers());
    if (Press_ != TPress::Text || !(event->buttons() & Qt::LeftButton)) return;
    LastMouse_ = event->position();
    Model_.MouseMove(CellAt(LastMouse_));
    if (QRectF(TextArea()).contains(LastMouse_))
        AutoScrollTimer_.stop();
    else if (!AutoScrollTimer_.isActive())
        AutoScrollTimer_.start();
}

void TDCSyntaxMemo::AutoScroll() {
    if (Press_ == TPress::Text && Model_.MouseSelecting())
        Model_.MouseMove(CellAt(LastMouse_));
    else
        AutoScrollTimer_.stop();
}

void TDCSyntaxMemo::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    AutoScrollTimer_.stop();
    const TPress press = std::exchange(Press_, TPress::None);
    if (press == TPress::Gutter)
        Model_.GutterClick(GutterDown_, CellAt(event->position()));
    else if (press == TPress::Text)
        Model_.MouseUp(CellAt(event->position()));
}

void TDCSyntaxMemo::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    const QPointF point = event->position();
    if (InGutter(point) || event->modifiers() == Qt::ControlModifier) {
        mousePressEvent(event);
        return;
    }
    Press_ = TPress::None;
    Model_.DoubleClick(CellAt(point));
}

void TDCSyntaxMemo::wheelEvent(QWheelEvent* event) {
    ForgetHover();
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    Model_.Wheel(event->angleDelta().y(), (modifiers & Qt::ControlModifier) != 0,
                 (modifiers & Qt::ShiftModifier) != 0, QApplication::wheelScrollLines());
    event->accept();
}

void TDCSyntaxMemo::contextMenuEvent(QContextMenuEvent* event) {
    if (!PopupMenu_) {
        event->ignore();
        return;
    }
    PopupMenu_->popup(event->globalPos());
    event->accept();
}

bool TDCSyntaxMemo::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        const auto& help = *static_cast<QHelpEvent*>(event);
        if (InGutter(help.pos()))
            ShowGutterToolTip(help);
        else
            ShowTextToolTip(help);
        return true;
    }
    if (event->type() == QEvent::Leave) {
        MouseAt_ = {-1, -1};
        ForgetHover();
        Model_.SetLinkAt({});
    }
    return QAbstractScrollArea::viewportEvent(event);
}

// Only while no button is held: a press or a drag is not a look at a link.
void TDCSyntaxMemo::FollowLink(QPointF point, Qt::KeyboardModifiers modifiers) {
    const bool over = modifiers == Qt::ControlModifier && Press_ == TPress::None &&
                      QRectF(TextArea()).contains(point);
    Model_.SetLinkAt(over ? Model_.CharacterUnder(CellAt(point)) : std::nullopt);
    const Qt::CursorShape shape = Model_.Link() ? Qt::PointingHandCursor : Qt::IBeamCursor;
    if (viewport()->cursor().shape() != shape) viewport()->setCursor(shape);
}

// Over a diagnostic its message shows; over another character of the text
// the window is asked, and its answer may come later (ShowHoverText).
void TDCSyntaxMemo::ShowTextToolTip(const QHelpEvent& event) {
    ForgetHover();
    const TTextPoint cell = CellAt(event.pos());
    const TTextPoint point = Model_.PointUnder(cell);
    if (const std::vector<const TDiagnosticMark*> marks = Model_.DiagnosticsAt(point);
        !marks.empty()) {
        QToolTip::showText(event.globalPos(), DiagnosticMessages(marks), viewport(),
                           Painter_->ColumnsRect(Model_, point.Row, {point.Col, point.Col + 1}));
        return;
    }
    QToolTip::hideText();
    const std::optional<TTextPoint> character = Model_.CharacterUnder(cell);
    if (!character) return;
    const TColumnSpan word =
        Model_.WordAt(*character).value_or(TColumnSpan{character->Col, character->Col + 1});
    HoverPos_ = event.globalPos();
    HoverRect_ = Painter_->ColumnsRect(Model_, character->Row, word);
    emit OnHover(*character, event.globalPos());
}

// Over the gutter of a line the tooltip tells what a click does there; the
// window may answer for the row while OnGutterToolTip runs. Over a
// diagnostic's mark it tells the diagnostic's message instead.
void TDCSyntaxMemo::ShowGutterToolTip(const QHelpEvent& event) {
    ForgetHover();
    const int32_t visibleRow = CellAt(event.pos()).Row;
    const int32_t row = Model_.TopRow() + visibleRow;
    if (!InGutter(event.pos()) || row >= LineCount()) {
        QToolTip::hideText();
        return;
    }
    const QRect markZone = Painter_->DiagnosticMarkZone(visibleRow);
    if (const std::vector<const TDiagnosticMark*> marks = Model_.DiagnosticsOn(row);
        !marks.empty() && markZone.contains(event.pos())) {
        QToolTip::showText(event.globalPos(), DiagnosticMessages(marks), viewport(), markZone);
        return;
    }
    emit OnGutterToolTip(row);
    if (GutterToolTip_.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event.globalPos(), GutterToolTip_, viewport(),
                           Painter_->GutterRect(visibleRow));
}

// The scroll bars move the view through the model, never by themselves.
void TDCSyntaxMemo::scrollContentsBy(int, int) {}

} // namespace zk::editor
