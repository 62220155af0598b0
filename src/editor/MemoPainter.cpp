// Painting the editor's rows: backgrounds first (lexem colours, the shaded
// form, bracket boxes, the selection), then the text of each lexem in its colour record,
// cut where the selection starts and ends, then the lines under it (the
// diagnostics' waves, the link). A row holding a tab is painted
// with the tab expanded, every column placed at its cell.
#include "editor/MemoPainter.h"

#include "editor/QtText1251.h"

#include <QFontMetricsF>
#include <QtMath>

#include <utility>
#include <vector>

namespace zk::editor {

namespace {

// The box behind a bracket and its partner.
const QColor kBracketFill(0xD6, 0xE6, 0xFF);
const QColor kBracketFrame(0x7A, 0x96, 0xC8);
// The bookmark glyphs.
const QColor kBookmarkFill(0xFF, 0xD8, 0x40);
const QColor kBookmarkFrame(0x80, 0x60, 0x00);
constexpr qreal kBookmarkWidth = 12;
constexpr qreal kBookmarkHeight = 13;
constexpr qreal kBookmarkStagger = 4; // several bookmarks on a row overlap
constexpr qreal kBookmarkLeft = kMarkArea + 2;
// The gutter with numbers: the debugger's glyphs, the bookmarks (two of them
// staggered), then the numbers, right-aligned, then a margin up to the text.
constexpr int kGlyphArea = kMarkArea + 20;
constexpr int kNumberMargin = 6;
// The debugger's glyphs: a breakpoint is red, an invalid one grey; the
// arrow and the ellipses of a stopped run share a yellowish green.
const QColor kBreakFill(0xE0, 0x30, 0x30);
const QColor kBreakFrame(0x90, 0x10, 0x10);
const QColor kInvalidBreak(0x90, 0x90, 0x90);
const QColor kRunFill(0xB4, 0xE0, 0x3C);
const QColor kRunFrame(0x3C, 0x6E, 0x00);
constexpr qreal kMarkSize = 12;
// The shaded form, softer than the selection.
const QColor kShadeCurrent(0xFF, 0xF0, 0xA8);
const QColor kShadeFailed(0xFF, 0xC8, 0xC8);

int32_t DigitsOf(int32_t count) {
    int32_t digits = 1;
    for (; count >= 10; count /= 10)
        ++digits;
    return digits;
}

// The cell after the columns `from` to `to` of `line`, the first at `cell`.
int32_t CellAfter(std::string_view line, int32_t from, int32_t to, int32_t cell) {
    const auto end = std::min(static_cast<std::size_t>(to), line.size());
    for (auto col = static_cast<std::size_t>(from); col < end; ++col)
        cell = NextCell(line[col], cell);
    return cell;
}

QColor ColorOf(TColor color, const QPalette& palette) {
    if (color.System == TSystemColor::Window) return palette.color(QPalette::Base);
    return QColor(color.R, color.G, color.B);
}

void PaintCircle(QPainter& painter, QRectF box) {
    painter.setPen(QPen(kBreakFrame, 1));
    painter.setBrush(kBreakFill);
    painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
}

// A hollow grey circle, struck through.
void PaintCrossedCircle(QPainter& painter, QRectF box) {
    painter.setPen(QPen(kInvalidBreak, 1.5));
    painter.setBrush(Qt::NoBrush);
    const QRectF ring = box.adjusted(1, 1, -1, -1);
    painter.drawEllipse(ring);
    const qreal inset = ring.width() * 0.15;
    painter.drawLine(ring.topLeft() + QPointF(inset, inset),
                     ring.bottomRight() - QPointF(inset, inset));
}

// An arrow pointing right at the text.
void PaintArrow(QPainter& painter, QRectF box) {
    const auto at = [&](qreal x, qreal y) {
        return QPointF(box.left() + x * box.width(), box.top() + y * box.height());
    };
    const std::array<QPointF, 7> outline = {at(0, 0.3), at(0.5, 0.3), at(0.5, 0), at(1, 0.5),
                                            at(0.5, 1), at(0.5, 0.7), at(0, 0.7)};
    painter.setPen(QPen(kRunFrame, 1));
    painter.setBrush(kRunFill);
    painter.drawPolygon(outline.data(), static_cast<int>(outline.size()));
}

void PaintCallPlace(QPainter& painter, QRectF box) {
    const QPointF centre = box.center();
    const qreal width = box.width() * 0.8;
    const qreal height = box.height() * 0.5;
    painter.setPen(QPen(kRunFrame, 1));
    painter.setBrush(kRunFill);
    painter.drawEllipse(QRectF(centre.x() - width / 2, centre.y() - height / 2, width, height));
}

// A zigzag two pixels high along the bottom of a row, drawn without
// antialiasing so that it stays crisp and of its own colour.
void PaintWave(QPainter& painter, qreal left, qreal right, int bottom, const QColor& color) {
    constexpr qreal kStep = 2;
    QPolygonF wave;
    for (int i = 0; left + i * kStep <= right + kStep / 2; ++i)
        wave << QPointF(left + i * kStep, i % 2 == 0 ? bottom : bottom - kStep);
    painter.setPen(QPen(color, 1));
    painter.drawPolyline(wave);
}

QColor SeverityColor(TDiagnosticSeverity severity) {
    return severity == TDiagnosticSeverity::Error ? kErrorColor : kWarningColor;
}

// A lexem cut to the visible columns.
struct TVisibleLexem {
    int32_t From = 0;
    int32_t To = 0;
    const TDCSyntaxMemoColor* Color = nullptr;
    bool Blank = false; // spaces only: nothing to draw but a background
};

} // namespace

TTextPoint TMemoMetrics::CellAt(QPointF point) const {
    return {static_cast<int32_t>(std::floor((point.x() - GutterWidth) / CharWidth)),
            static_cast<int32_t>(std::floor(point.y() / LineHeight))};
}

TMemoPainter::TMemoPainter(const QFont& font) {
    for (int style = 0; style < 16; ++style) {
        QFont styled = font;
        styled.setBold((style & fsBold) != 0);
        styled.setItalic((style & fsItalic) != 0);
        styled.setUnderline((style & fsUnderline) != 0);
        styled.setStrikeOut((style & fsStrikeOut) != 0);
        Fonts_[static_cast<std::size_t>(style)] = styled;
    }
    const QFontMetricsF metrics(font);
    // The advance of a long run, as the painter lays text out, rather than
    // of one character, which may be rounded.
    constexpr int kRun = 64;
    Metrics_.CharWidth = metrics.horizontalAdvance(QString(kRun, QLatin1Char('M'))) / kRun;
    Metrics_.LineHeight = std::max(1, qCeil(metrics.height()));
    Metrics_.Ascent = metrics.ascent() + (Metrics_.LineHeight - metrics.height()) / 2;
    GlyphFont_ = QFont(QStringLiteral("Liberation Sans"));
    GlyphFont_.setStyleHint(QFont::SansSerif);
    GlyphFont_.setPixelSize(10);
    GlyphFont_.setBold(true);
}

bool TMemoPainter::FitGutter(bool lineNumbers, int32_t lineCount) {
    const int width =
        lineNumbers ? kGlyphArea + qCeil(DigitsOf(lineCount) * Metrics_.CharWidth) + kNumberMargin
                    : kPlainGutterWidth;
    LineNumbers_ = lineNumbers;
    return std::exchange(Metrics_.GutterWidth, width) != width;
}

QRect TMemoPainter::GutterRect(int32_t visibleRow) const {
    return QRect(0, Metrics_.RowY(visibleRow), Metrics_.GutterWidth, Metrics_.LineHeight);
}

QRect TMemoPainter::DiagnosticMarkZone(int32_t visibleRow) const {
    return QRect(Metrics_.GutterWidth - kDiagnosticMarkZone, Metrics_.RowY(visibleRow),
                 kDiagnosticMarkZone, Metrics_.LineHeight);
}

QRect TMemoPainter::ColumnsRect(const TMemoModel& model, int32_t row, TColumnSpan columns) const {
    const int32_t from = model.CellOf({columns.From, row}) - model.LeftCol();
    const int32_t to = model.CellOf({columns.To, row}) - model.LeftCol();
    return QRectF(Metrics_.ColumnX(from), Metrics_.RowY(row - model.TopRow()),
                  (to - from) * Metrics_.CharWidth, Metrics_.LineHeight)
        .toAlignedRect();
}

void TMemoPainter::PaintRows(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                             int32_t first, int32_t last, QRect area, int width) const {
    const bool gutter = area.left() < Metrics_.GutterWidth;
    const bool text = area.right() >= Metrics_.GutterWidth;
    for (int32_t visibleRow = first; visibleRow <= last; ++visibleRow) {
        const int32_t row = model.TopRow() + visibleRow;
        const int y = Metrics_.RowY(visibleRow);
        if (gutter) PaintGutter(painter, model, palette, row, y);
        if (text) PaintText(painter, model, palette, row, y, width);
    }
}

void TMemoPainter::PaintText(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                             int32_t row, int y, int width) const {
    const qreal cw = Metrics_.CharWidth;
    const int lh = Metrics_.LineHeight;
    const int gutter = Metrics_.GutterWidth;
    painter.fillRect(QRect(gutter, y, width - gutter, lh), palette.color(QPalette::Base));
    // Cells from here on: the visible ones run from `left` to `right`.
    const int32_t left = model.LeftCol();
    const int32_t right = left + qCeil((width - gutter) / cw) + 1;
    const auto cell = [&](int32_t from, int32_t to) {
        return QRectF(Metrics_.ColumnX(from - left), y, (to - from) * cw, lh);
    };

    std::vector<TVisibleLexem> lexems;
    QString visible;
    std::string_view text;
    if (row < model.Lines().Count()) {
        const TLineDataItem& line = model.Lines().Item(row);
        text = line.Text;
        const bool tabs = text.find('\t') != std::string_view::npos;
        int32_t col = 0;
        int32_t end = 0; // the cell after the lexem
        for (const LexemEntry& lexem : line.Syntax.Lexems) {
            const int32_t start = end;
            end = tabs ? CellAfter(text, col, col + lexem.Length, end) : col + lexem.Length;
            col += lexem.Length;
            if (end <= left) continue;
            if (start >= right) break;
            const TDCSyntaxMemoColor& color = model.ColorOf(lexem);
            const bool plain = (color.FontStyle() & (fsUnderline | fsStrikeOut)) == 0;
            lexems.push_back({std::max(start, left), std::min(end, right), &color,
                              lexem.Type == lxWhitespace && plain});
        }
        const std::string expanded = tabs ? ExpandTabs(text, 0) : std::string();
        const std::string_view shown = tabs ? std::string_view(expanded) : text;
        if (static_cast<std::size_t>(left) < shown.size())
            visible = FromText1251(shown.substr(static_cast<std::size_t>(left),
                                                static_cast<std::size_t>(right - left)));
    }
    const auto cellOf = [&](int32_t col) { return CellOfColumn(text, col); };

    for (const TVisibleLexem& lexem : lexems)
        if (lexem.Color->Background().System != TSystemColor::Window)
            painter.fillRect(cell(lexem.From, lexem.To),
                             ColorOf(lexem.Color->Background(), palette));
    if (const std::optional<TColumnSpan> span = model.ShadedColumns(row)) {
        const int32_t from = std::max(cellOf(span->From), left);
        const int32_t to = std::min(cellOf(span->To), right);
        if (from < to)
            painter.fillRect(cell(from, to), model.ShadedRange()->Shade == TShade::Failed
                                                 ? kShadeFailed
                                                 : kShadeCurrent);
    }
    if (const std::optional<TBracketPair>& pair = model.Brackets()) {
        for (const TTextPoint bracket : {pair->Open, pair->Close}) {
            if (bracket.Row != row) continue;
            const int32_t at = cellOf(bracket.Col);
            if (at < left || at >= right) continue;
            const QRectF box = cell(at, at + 1);
            painter.fillRect(box, kBracketFill);
            painter.setPen(kBracketFrame);
            painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }
    TColumnSpan selected{0, 0};
    if (const std::optional<TColumnSpan> span = model.SelectedColumns(row)) {
        const int32_t to = span->To == kToEnd ? kToEnd : cellOf(span->To);
        selected = {std::max(cellOf(span->From), left), std::min(to, right)};
        if (selected.From < selected.To)
            painter.fillRect(cell(selected.From, selected.To), palette.color(QPalette::Highlight));
    }

    const qreal baseline = y + Metrics_.Ascent;
    const QColor selectedText = palette.color(QPalette::HighlightedText);
    const auto draw = [&](int32_t from, int32_t to, const QColor& color, TFontStyles style) {
        if (from >= to) return;
        painter.setPen(color);
        painter.setFont(Fonts_[style & 15]);
        painter.drawText(QPointF(Metrics_.ColumnX(from - left), baseline),
                         visible.mid(from - left, to - from));
    };
    for (const TVisibleLexem& lexem : lexems) {
        if (lexem.Blank) continue;
        const QColor color = ColorOf(lexem.Color->Foreground(), palette);
        const TFontStyles style = lexem.Color->FontStyle();
        const int32_t selFrom = std::clamp(selected.From, lexem.From, lexem.To);
        const int32_t selTo = std::clamp(selected.To, selFrom, lexem.To);
        draw(lexem.From, selFrom, color, style);
        draw(selFrom, selTo, selectedText, style);
        draw(selTo, lexem.To, color, style);
    }
    PaintUnderlines(painter, model, palette, row, y, width);
}

// A point diagnostic takes the cell after the character before it; the link
// is underlined as a browser underlines one.
void TMemoPainter::PaintUnderlines(QPainter& painter, const TMemoModel& model,
                                   const QPalette& palette, int32_t row, int y, int width) const {
    const int32_t left = model.LeftCol();
    const auto x = [&](int32_t col) { return Metrics_.ColumnX(model.CellOf({col, row}) - left); };
    const auto visible = [&](qreal at) {
        return std::clamp<qreal>(at, Metrics_.GutterWidth, width);
    };
    const int bottom = y + Metrics_.LineHeight - 1;
    for (const TDiagnosticSpan& span : model.DiagnosticSpans(row)) {
        const qreal from = x(span.Columns.From);
        const qreal to =
            span.Columns.From == span.Columns.To ? from + Metrics_.CharWidth : x(span.Columns.To);
        if (visible(to) > visible(from))
            PaintWave(painter, visible(from), visible(to), bottom, SeverityColor(span.Severity));
    }
    if (const std::optional<TWordLink>& link = model.Link(); link && link->Row == row) {
        const qreal from = visible(x(link->Columns.From));
        const qreal to = visible(x(link->Columns.To));
        if (to > from)
            painter.fillRect(QRectF(from, y + Metrics_.Ascent + 1, to - from, 1),
                             palette.color(QPalette::Link));
    }
}

void TMemoPainter::PaintGutter(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                               int32_t row, int y) const {
    const int lh = Metrics_.LineHeight;
    const int width = Metrics_.GutterWidth;
    painter.fillRect(QRect(0, y, width, lh), palette.color(QPalette::Window));
    painter.fillRect(QRect(width - 1, y, 1, lh), palette.color(QPalette::Mid));
    if (LineNumbers_ && row < model.Lines().Count())
        PaintLineNumber(painter, palette, row, row == model.Row(), y);
    if (const uint8_t glyphs = model.GutterGlyphsOn(row)) PaintDebugGlyphs(painter, glyphs, y);
    if (const std::optional<TDiagnosticSeverity> severity = model.DiagnosticSeverityOn(row))
        painter.fillRect(QRect(width - 5, y + 2, 3, std::max(lh - 4, 2)), SeverityColor(*severity));
    const uint32_t bookmarks = model.BookmarksOnRow(row);
    if (bookmarks == 0) return;
    qreal x = kBookmarkLeft;
    const qreal top = y + std::max<qreal>(0, (lh - kBookmarkHeight) / 2);
    for (int n = 0; n < kBookmarkCount; ++n) {
        if ((bookmarks & (1u << n)) == 0) continue;
        PaintBookmark(painter, n, QPointF(x, top));
        x += kBookmarkStagger;
    }
}

// Numbers count from 1. The caret's line has its number in bold and in the
// text colour, the others are subdued.
void TMemoPainter::PaintLineNumber(QPainter& painter, const QPalette& palette, int32_t row,
                                   bool current, int y) const {
    const QString number = QString::number(row + 1);
    const qreal right = Metrics_.GutterWidth - kNumberMargin;
    painter.setFont(Fonts_[current ? fsBold : 0]);
    painter.setPen(palette.color(current ? QPalette::WindowText : QPalette::PlaceholderText));
    painter.drawText(QPointF(right - number.size() * Metrics_.CharWidth, y + Metrics_.Ascent),
                     number);
}

// The glyphs share one square centred in the mark area, drawn from the back:
// a breakpoint's circle, an ellipse, the arrow.
void TMemoPainter::PaintDebugGlyphs(QPainter& painter, uint8_t glyphs, int y) const {
    const int lh = Metrics_.LineHeight;
    const qreal size = std::clamp<qreal>(lh - 3, 4, kMarkSize);
    const QRectF box(kMarkArea / 2.0 - size / 2, y + (lh - size) / 2, size, size);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if ((glyphs & (gsBreakSet | gsBreakStop)) != 0) PaintCircle(painter, box);
    if ((glyphs & gsBreakInvalid) != 0) PaintCrossedCircle(painter, box);
    if ((glyphs & gsEllipse) != 0) PaintCallPlace(painter, box);
    if ((glyphs & gsBreakStop) != 0) {
        const qreal inset = size * 0.2;
        PaintArrow(painter, box.adjusted(inset, inset, -inset, -inset));
    }
    if ((glyphs & gsArrow) != 0) PaintArrow(painter, box);
    painter.restore();
}

// The glyph of bookmark n: a small tab with its digit.
void TMemoPainter::PaintBookmark(QPainter& painter, int n, QPointF at) const {
    const QRectF tab(at, QSizeF(kBookmarkWidth, kBookmarkHeight));
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(kBookmarkFrame, 1));
    painter.setBrush(kBookmarkFill);
    painter.drawRoundedRect(tab.adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
    painter.setFont(GlyphFont_);
    painter.setPen(Qt::black);
    painter.drawText(tab, Qt::AlignCenter, QString::number(n));
    painter.restore();
}

QRect TMemoPainter::CaretRect(const TMemoModel& model, TTextPoint caret,
                              const TCaretLook& look) const {
    const qreal x = Metrics_.ColumnX(model.CellOf(caret) - model.LeftCol());
    const qreal width =
        look.Preedit.size() * Metrics_.CharWidth + (model.InsertMode() ? 2 : Metrics_.CharWidth);
    return QRectF(x - 1, Metrics_.RowY(caret.Row - model.TopRow()), width + 2, Metrics_.LineHeight)
        .toAlignedRect();
}

void TMemoPainter::PaintCaret(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                              const TCaretLook& look) const {
    if (!look.Shown && look.Preedit.isEmpty()) return;
    const int32_t col = model.CellOf(model.Caret()) - model.LeftCol();
    const int32_t row = model.Row() - model.TopRow();
    if (col < 0 || row < 0) return;
    const qreal cw = Metrics_.CharWidth;
    const int lh = Metrics_.LineHeight;
    qreal x = Metrics_.ColumnX(col);
    const int y = Metrics_.RowY(row);
    if (!look.Preedit.isEmpty()) {
        // The text the input method is composing, shown underlined at the
        // caret over whatever stands there; it is not in the line.
        painter.fillRect(QRectF(x, y, look.Preedit.size() * cw, lh), palette.color(QPalette::Base));
        painter.setPen(palette.color(QPalette::Text));
        painter.setFont(Fonts_[fsUnderline]);
        painter.drawText(QPointF(x, y + Metrics_.Ascent), look.Preedit);
        x += look.PreeditCursor * cw;
    }
    if (!look.Shown) return;
    if (model.InsertMode()) {
        painter.fillRect(QRectF(x, y, 2, lh), palette.color(QPalette::Text));
    } else {
        // The block caret of overwrite mode inverts the character it covers.
        painter.save();
        painter.setCompositionMode(QPainter::CompositionMode_Difference);
        painter.fillRect(QRectF(x, y, cw, lh), Qt::white);
        painter.restore();
    }
}

} // namespace zk::editor
