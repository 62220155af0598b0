// How the editor's view lays out and paints its cells: the metrics of the
// character grid (fractional advance, whole-pixel rows) and of the gutter,
// and the painting of rows lexem by lexem in the colour records over the
// shaded form of a stopped run, the wavy underlines of the diagnostics and
// the link under Control, of the gutter with the debugger's glyphs, the
// bookmark glyphs, the diagnostics' marks and the line numbers, of the caret
// and of an input method's preedit text. The glyphs are drawn, not images. It reads the model and
// draws; it decides nothing. Columns of the text become cells of the grid here (LineCells).
#pragma once

#include "editor/MemoModel.h"

#include <QFont>
#include <QPainter>
#include <QPalette>
#include <QRectF>

#include <array>

namespace zk::editor {

// The gutter without line numbers, room for the debugger's glyphs and the
// bookmark glyphs alone.
inline constexpr int kPlainGutterWidth = 42;
// The debugger's glyphs stand in the gutter's first pixels, left of the
// bookmarks.
inline constexpr int kMarkArea = 14;
// A diagnostic's mark stands at the gutter's right edge, after the numbers;
// its tooltip shows anywhere in the last pixels of the row's gutter.
inline constexpr int kDiagnosticMarkZone = 8;
// The underline of an error and of a warning, and its mark.
inline const QColor kErrorColor(0xE8, 0x10, 0x10);
inline const QColor kWarningColor(0xC8, 0xA0, 0x00);

// The character grid. Cells are CharWidth apart (a fraction of a pixel:
// rounding it would misplace column 80 by several pixels), rows LineHeight
// whole pixels, so that the view can scroll by rows without smearing. The
// grid starts right of the gutter.
struct TMemoMetrics {
    qreal CharWidth = 8;
    int LineHeight = 16;
    qreal Ascent = 12;
    int GutterWidth = kPlainGutterWidth;

    qreal ColumnX(int32_t visibleCell) const { return GutterWidth + visibleCell * CharWidth; }
    int RowY(int32_t visibleRow) const { return visibleRow * LineHeight; }
    // The cell under a point, counted from the top-left visible cell and
    // rounded down; it lies outside the visible area for points outside it.
    TTextPoint CellAt(QPointF point) const;
};

// What the caret looks like at a moment: hidden between blinks or without
// the focus, and the preedit text an input method shows at it.
struct TCaretLook {
    bool Shown = false;
    QString Preedit;
    int PreeditCursor = 0; // the caret's place inside the preedit text
};

class TMemoPainter {
public:
    explicit TMemoPainter(const QFont& font);

    const TMemoMetrics& Metrics() const { return Metrics_; }
    const QFont& Font(TFontStyles style = 0) const { return Fonts_[style & 15]; }

    // Makes the gutter as wide as the numbers of `lineCount` lines need, the
    // debugger's and the bookmark glyphs keeping their places left of them,
    // or gives it its plain width without numbers. True when the width
    // changed.
    bool FitGutter(bool lineNumbers, int32_t lineCount);
    // The viewport rectangle of a visible row's gutter, and the part of it
    // where the row's diagnostic mark tells its message.
    QRect GutterRect(int32_t visibleRow) const;
    QRect DiagnosticMarkZone(int32_t visibleRow) const;
    // The viewport rectangle of columns `from` to `to` of a visible row.
    QRect ColumnsRect(const TMemoModel& model, int32_t row, TColumnSpan columns) const;

    // Paints visible rows `first` to `last` into a viewport `width` pixels
    // wide: their gutters where `area` reaches into the gutter, their text
    // where it reaches right of it.
    void PaintRows(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                   int32_t first, int32_t last, QRect area, int width) const;
    void PaintCaret(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                    const TCaretLook& look) const;
    // The viewport rectangle the caret and the preedit text cover.
    QRect CaretRect(const TMemoModel& model, TTextPoint caret, const TCaretLook& look) const;

private:
    void PaintText(QPainter& painter, const TMemoModel& model, const QPalette& palette, int32_t row,
                   int y, int width) const;
    void PaintGutter(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                     int32_t row, int y) const;
    void PaintUnderlines(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                         int32_t row, int y, int width) const;
    void PaintBookmark(QPainter& painter, int n, QPointF at) const;
    void PaintDebugGlyphs(QPainter& painter, uint8_t glyphs, int y) const;

    void PaintLineNumber(QPainter& painter, const QPalette& palette, int32_t row, bool current,
                         int y) const;

    TMemoMetrics Metrics_;
    std::array<QFont, 16> Fonts_; // by TFontStyles
    QFont GlyphFont_;
    bool LineNumbers_ = false;
};

} // namespace zk::editor
