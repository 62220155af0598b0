// How the editor's view lays out and paints its cells: the metrics of the
// character grid (fractional advance, whole-pixel rows), and the painting of
// rows lexem by lexem in the colour records, of the gutter with its bookmark
// glyphs, of the caret and of an input method's preedit text. It reads the
// model and draws; it decides nothing.
#pragma once

#include "editor/MemoModel.h"

#include <QFont>
#include <QPainter>
#include <QPalette>
#include <QRectF>

#include <array>

namespace zk::editor {

inline constexpr int kGutterWidth = 42;

// The character grid. Columns are CharWidth apart (a fraction of a pixel:
// rounding it would misplace column 80 by several pixels), rows LineHeight
// whole pixels, so that the view can scroll by rows without smearing.
struct TMemoMetrics {
    qreal CharWidth = 8;
    int LineHeight = 16;
    qreal Ascent = 12;

    qreal ColumnX(int32_t visibleCol) const { return kGutterWidth + visibleCol * CharWidth; }
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

    // Paints the rows visible rows `first` to `last` (whole rows, gutter
    // included) into a viewport `width` pixels wide.
    void PaintRows(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                   int32_t first, int32_t last, int width) const;
    void PaintCaret(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                    const TCaretLook& look) const;
    // The viewport rectangle the caret and the preedit text cover.
    QRect CaretRect(const TMemoModel& model, TTextPoint caret, const TCaretLook& look) const;

private:
    void PaintText(QPainter& painter, const TMemoModel& model, const QPalette& palette, int32_t row,
                   int y, int width) const;
    void PaintGutter(QPainter& painter, const TMemoModel& model, const QPalette& palette,
                     int32_t row, int y) const;
    void PaintBookmark(QPainter& painter, int n, QPointF at) const;

    TMemoMetrics Metrics_;
    std::array<QFont, 16> Fonts_; // by TFontStyles
    QFont GlyphFont_;
};

} // namespace zk::editor
