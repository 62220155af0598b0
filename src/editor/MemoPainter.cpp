// Painting the editor's rows: backgrounds first (lexem colours, bracket
// boxes, the selection), then the text of each lexem in its colour record,
// cut where the selection starts and ends.
#include "editor/MemoPainter.h"

#include "editor/QtText1251.h"

#include <QFontMetricsF>
#include <QtMath>

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

QColor ColorOf(TColor color, const QPalette& palette) {
    if (color.System == TSystemColor::Window) return palette.color(QPalette::Base);
    return QColor(color.R, color.G, color.B);
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
    return {static_cast<int32_t>(std::floor((point.x() - kGutterWidth) / CharWidth)),
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

void TMemoPainter::PaintRows(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                             int32_t first, int32_t last, int width) const {
    for (int32_t visibleRow = first; visibleRow <= last; ++visibleRow) {
        const int32_t row = model.TopRow() + visibleRow;
        const int y = Metrics_.RowY(visibleRow);
        PaintGutter(painter, model, palette, row, y);
        PaintText(painter, model, palette, row, y, width);
    }
}

void TMemoPainter::PaintText(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                             int32_t row, int y, int width) const {
    const qreal cw = Metrics_.CharWidth;
    const int lh = Metrics_.LineHeight;
    painter.fillRect(QRect(kGutterWidth, y, width - kGutterWidth, lh),
                     palette.color(QPalette::Base));
    const int32_t left = model.LeftCol();
    const int32_t right = left + qCeil((width - kGutterWidth) / cw) + 1;
    const auto cell = [&](int32_t from, int32_t to) {
        return QRectF(Metrics_.ColumnX(from - left), y, (to - from) * cw, lh);
    };

    std::vector<TVisibleLexem> lexems;
    QString visible;
    if (row < model.Lines().Count()) {
        const TLineDataItem& line = model.Lines().Item(row);
        int32_t col = 0;
        for (const LexemEntry& lexem : line.Syntax.Lexems) {
            const int32_t start = col;
            col += lexem.Length;
            if (col <= left) continue;
            if (start >= right) break;
            const TDCSyntaxMemoColor& color = model.ColorOf(lexem);
            const bool plain = (color.FontStyle() & (fsUnderline | fsStrikeOut)) == 0;
            lexems.push_back({std::max(start, left), std::min(col, right), &color,
                              lexem.Type == lxWhitespace && plain});
        }
        const std::string_view text = line.Text;
        if (static_cast<std::size_t>(left) < text.size())
            visible = FromText1251(text.substr(static_cast<std::size_t>(left),
                                               static_cast<std::size_t>(right - left)));
    }

    for (const TVisibleLexem& lexem : lexems)
        if (lexem.Color->Background().System != TSystemColor::Window)
            painter.fillRect(cell(lexem.From, lexem.To),
                             ColorOf(lexem.Color->Background(), palette));
    if (const std::optional<TBracketPair>& pair = model.Brackets()) {
        for (const TTextPoint bracket : {pair->Open, pair->Close}) {
            if (bracket.Row != row || bracket.Col < left || bracket.Col >= right) continue;
            const QRectF box = cell(bracket.Col, bracket.Col + 1);
            painter.fillRect(box, kBracketFill);
            painter.setPen(kBracketFrame);
            painter.drawRect(box.adjusted(0.5, 0.5, -0.5, -0.5));
        }
    }
    TColumnSpan selected{0, 0};
    if (const std::optional<TColumnSpan> span = model.SelectedColumns(row)) {
        selected = {std::max(span->From, left), std::min(span->To, right)};
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
}

void TMemoPainter::PaintGutter(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                               int32_t row, int y) const {
    const int lh = Metrics_.LineHeight;
    painter.fillRect(QRect(0, y, kGutterWidth, lh), palette.color(QPalette::Window));
    painter.fillRect(QRect(kGutterWidth - 1, y, 1, lh), palette.color(QPalette::Mid));
    const uint32_t bookmarks = model.BookmarksOnRow(row);
    if (bookmarks == 0) return;
    qreal x = 3;
    const qreal top = y + std::max<qreal>(0, (lh - kBookmarkHeight) / 2);
    for (int n = 0; n < kBookmarkCount; ++n) {
        if ((bookmarks & (1u << n)) == 0) continue;
        PaintBookmark(painter, n, QPointF(x, top));
        x += kBookmarkStagger;
    }
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
    const qreal x = Metrics_.ColumnX(caret.Col - model.LeftCol());
    const qreal width =
        look.Preedit.size() * Metrics_.CharWidth + (model.InsertMode() ? 2 : Metrics_.CharWidth);
    return QRectF(x - 1, Metrics_.RowY(caret.Row - model.TopRow()), width + 2, Metrics_.LineHeight)
        .toAlignedRect();
}

void TMemoPainter::PaintCaret(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                              const TCaretLook& look) const {
    if (!look.Shown && look.Preedit.isEmpty()) return;
    const int32_t col = model.Col() - model.LeftCol();
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
