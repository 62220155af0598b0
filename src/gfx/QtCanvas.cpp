// The QImage canvas. Rectangles, pixels and the flood fill work on the
// image's pixels directly, with every coordinate clipped in 64 bits first, so
// that corners anywhere in the 32-bit range neither overflow nor reach
// outside the image. Lines, ellipses and text go through QPainter, whose
// raster engine clips them itself.
#include "gfx/QtCanvas.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "interp/Picture.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImageWriter>
#include <QPainter>
#include <QRectF>
#include <QString>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace zk {

namespace {

QtMessageHandler PreviousHandler = nullptr;

// Qt's debug output and warnings (a missing runtime directory, say) would
// mix with the messages of a command-line program.
void DropMinorMessages(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
    if (PreviousHandler != nullptr) PreviousHandler(type, context, text);
}

QColor ToQColor(TRgb colour) {
    return QColor(colour.Red, colour.Green, colour.Blue);
}

TRgb FromQRgb(QRgb pixel) {
    return {static_cast<uint8_t>(qRed(pixel)), static_cast<uint8_t>(qGreen(pixel)),
            static_cast<uint8_t>(qBlue(pixel))};
}

int BoundPoints(int32_t points) {
    return std::clamp<int32_t>(points, 1, TQtCanvas::kMaxFontPoints);
}

QString FromSystem(std::string_view text) {
    const std::string utf8 = Cp1251ToUtf8(text.substr(0, TQtCanvas::kMaxTextChars));
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

void TurnOffAntialiasing(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
}

} // namespace

std::unique_ptr<QGuiApplication> MakeOffscreenGui() {
    if (QGuiApplication::instance() != nullptr) return nullptr;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    PreviousHandler = qInstallMessageHandler(DropMinorMessages);
    static int argc = 1;
    static char name[] = "varnok";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QGuiApplication>(argc, argv);
}

TQtCanvas::TQtCanvas(int32_t width, int32_t height) : Font_(QStringLiteral("Times New Roman"), 8) {
    if (width < 1 || height < 1 || width > kMaxPictureWidth || height > kMaxPictureHeight)
        throw std::invalid_argument("picture size out of range");
    Image_ = QImage(width, height, QImage::Format_RGB32);
    // 96 dots per inch, so that a point size gives the same pixels everywhere.
    Image_.setDotsPerMeterX(3780);
    Image_.setDotsPerMeterY(3780);
    Image_.fill(Qt::white);
    Font_.setStyleStrategy(QFont::NoAntialias);
}

void TQtCanvas::SetPenColour(TRgb colour) {
    Pen_ = ToQColor(colour);
}

void TQtCanvas::SetBrushColour(TRgb colour) {
    Brush_ = ToQColor(colour);
}

void TQtCanvas::SetFont(std::string_view family, int32_t points) {
    Font_ = QFont(FromSystem(family), BoundPoints(points));
    Font_.setStyleStrategy(QFont::NoAntialias);
}

void TQtCanvas::SetFontSize(int32_t points) {
    Font_.setPointSize(BoundPoints(points));
}

void TQtCanvas::SetFontColour(TRgb colour) {
    FontColour_ = ToQColor(colour);
}

void TQtCanvas::SetPixel(int32_t x, int32_t y, TRgb colour) {
    if (Inside(x, y)) Image_.setPixel(x, y, ToQColor(colour).rgb());
}

TRgb TQtCanvas::Pixel(int32_t x, int32_t y) const {
    return Inside(x, y) ? FromQRgb(Image_.pixel(x, y)) : TRgb{255, 255, 255};
}

void TQtCanvas::FillBox(int64_t x1, int64_t y1, int64_t x2, int64_t y2, QRgb colour) {
    const int64_t left = std::max<int64_t>(std::min(x1, x2), 0);
    const int64_t right = std::min<int64_t>(std::max(x1, x2), Image_.width() - 1);
    const int64_t top = std::max<int64_t>(std::min(y1, y2), 0);
    const int64_t bottom = std::min<int64_t>(std::max(y1, y2), Image_.height() - 1);
    for (int64_t y = top; y <= bottom && left <= right; ++y) {
        auto* row = reinterpret_cast<QRgb*>(Image_.scanLine(static_cast<int>(y)));
        std::fill(row + left, row + right + 1, colour);
    }
}

void TQtCanvas::Frame(int64_t x1, int64_t y1, int64_t x2, int64_t y2, QRgb colour) {
    const int64_t left = std::min(x1, x2), right = std::max(x1, x2);
    const int64_t top = std::min(y1, y2), bottom = std::max(y1, y2);
    FillBox(left, top, right, top, colour);
    FillBox(left, bottom, right, bottom, colour);
    FillBox(left, top, left, bottom, colour);
    FillBox(right, top, right, bottom, colour);
}

void TQtCanvas::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    QPainter painter(&Image_);
    TurnOffAntialiasing(painter);
    painter.setPen(QPen(Pen_, 1));
    painter.drawLine(QPoint(x1, y1), QPoint(x2, y2));
}

void TQtCanvas::FrameRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Frame(x1, y1, x2, y2, Brush_.rgb());
}

void TQtCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    if (BrushSolid_) FillBox(x1, y1, x2, y2, Brush_.rgb());
    Frame(x1, y1, x2, y2, Pen_.rgb());
}

void TQtCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    // The outline of a width-w rectangle spans w + 1 pixels, so the corners
    // are both on it. Doubles hold the span of any two 32-bit corners.
    const double left = std::min(x1, x2), top = std::min(y1, y2);
    const double width = std::max(x1, x2) - left, height = std::max(y1, y2) - top;
    QPainter painter(&Image_);
    TurnOffAntialiasing(painter);
    painter.setPen(QPen(Pen_, 1));
    painter.setBrush(BrushSolid_ ? QBrush(Brush_) : QBrush(Qt::NoBrush));
    painter.drawEllipse(QRectF(left, top, width, height));
}

namespace {

// A run of one row already painted by the fill, whose neighbours are still to
// be looked at. A run found from the row `FromDy` away need not look back
// there over its parent's run [ParentLeft, ParentRight], which is painted.
struct TFillRun {
    int Y, Left, Right;
    int FromDy; // 0 for the first run
    int ParentLeft, ParentRight;
};

// The first index from `i` on, before `end`, whose pixel is not `colour`;
// four pixels a step while they last, which the fill's long runs need.
int RunEnd(const QRgb* row, int i, int end, QRgb colour) {
    while (i + 4 <= end && ((row[i] ^ colour) | (row[i + 1] ^ colour) | (row[i + 2] ^ colour) |
                            (row[i + 3] ^ colour)) == 0)
        i += 4;
    while (i < end && row[i] == colour)
        ++i;
    return i;
}

} // namespace

// Scan-line fill. A run of the target colour is painted as soon as it is
// found, across its whole width, and kept to look for more in the rows above
// and below; so every pixel of the area is painted once and read a few
// times, a repeated fill of a whole picture costs little more than writing
// it, and no run is ever found twice. The pending runs live on the heap.
void TQtCanvas::FloodFill(int32_t x, int32_t y, TRgb colour) {
    const QRgb target = ToQColor(colour).rgb();
    const QRgb paint = Brush_.rgb();
    if (!Inside(x, y) || Image_.pixel(x, y) != target || target == paint) return;
    const int width = Image_.width(), height = Image_.height();
    QRgb* const bits = reinterpret_cast<QRgb*>(Image_.bits());
    const qsizetype stride = Image_.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    std::vector<TFillRun> pending;
    // Paints the run through `at` in row `line`, which holds the target there.
    const auto paintRun = [&](int line, int at, int fromDy, int parentLeft, int parentRight) {
        QRgb* row = bits + line * stride;
        int left = at;
        while (left > 0 && row[left - 1] == target)
            --left;
        const int right = RunEnd(row, at, width, target) - 1;
        std::fill(row + left, row + right + 1, paint);
        pending.push_back({line, left, right, fromDy, parentLeft, parentRight});
        return right;
    };
    // Finds and paints the runs of row `line` that touch columns from..to.
    const auto scan = [&](int line, int from, int to, const TFillRun& run, int dy) {
        const QRgb* row = bits + line * stride;
        for (int i = from; i <= to; ++i)
            if (row[i] == target) i = paintRun(line, i, dy, run.Left, run.Right) + 1;
    };
    paintRun(y, x, 0, 0, -1);
    while (!pending.empty()) {
        const TFillRun run = pending.back();
        pending.pop_back();
        for (const int dy : {-1, 1}) {
            const int line = run.Y + dy;
            if (line < 0 || line >= height) continue;
            if (dy != -run.FromDy) {
                scan(line, run.Left, run.Right, run, dy);
                continue;
            }
            // Back towards the parent: only beyond the ends of its run.
            scan(line, run.Left, std::min(run.Right, run.ParentLeft - 2), run, dy);
            scan(line, std::max(run.Left, run.ParentRight + 2), run.Right, run, dy);
        }
    }
}

TTextExtent TQtCanvas::TextExtent(std::string_view text) const {
    if (text.empty()) return {};
    const QFontMetrics metrics(Font_, &Image_);
    return {metrics.horizontalAdvance(FromSystem(text)), metrics.height()};
}

void TQtCanvas::TextOut(int32_t x, int32_t y, std::string_view text) {
    if (text.empty()) return;
    const TTextExtent extent = TextExtent(text);
    if (BrushSolid_ && extent.Width > 0 && extent.Height > 0)
        FillBox(x, y, int64_t{x} + extent.Width - 1, int64_t{y} + extent.Height - 1, Brush_.rgb());
    QPainter painter(&Image_);
    TurnOffAntialiasing(painter);
    painter.setFont(Font_);
    painter.setPen(FontColour_);
    painter.drawText(QPointF(x, static_cast<double>(y) + painter.fontMetrics().ascent()),
                     FromSystem(text));
}

// The bitmap is encoded in memory and written like every file of the system,
// so that a failure names the file and the system's reason ("No space left
// on device"), which Qt's writer reduces to "Unknown error".
std::string TQtCanvas::BitmapBytes() const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "BMP");
    // The canvas is never empty and at most 640 x 480, so a bitmap in memory
    // cannot fail to be written.
    writer.write(Image_);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void TQtCanvas::SavePictureBmp(std::string_view path) const {
    WriteWholeFile(path, BitmapBytes());
}

} // namespace zk
