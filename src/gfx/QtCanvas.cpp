// The QImage canvas. Rectangles, pixels and the flood fill work on the
// image's pixels directly, with every coordinate clipped in 64 bits first, so
// that corners anywhere in the 32-bit range neither overflow nor reach
// outside the image. Lines, ellipses and text go through QPainter, whose
// raster engine clips them itself.
#include "gfx/QtCanvas.h"

#include "frontend/Cp1251.h"
#include "frontend/FileIO.h"
#include "interp/Picture.h"

#include <QFile>
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

void TQtCanvas::FloodFill(int32_t x, int32_t y, TRgb colour) {
    const QRgb target = ToQColor(colour).rgb();
    const QRgb paint = Brush_.rgb();
    if (!Inside(x, y) || Image_.pixel(x, y) != target || target == paint) return;
    // Scan-line fill: each seed paints its whole horizontal run and seeds the
    // runs of the target colour touching it above and below. The stack of
    // seeds lives on the heap; every pixel is painted once.
    const int width = Image_.width(), height = Image_.height();
    const auto row = [&](int line) { return reinterpret_cast<QRgb*>(Image_.scanLine(line)); };
    std::vector<QPoint> seeds{QPoint(x, y)};
    while (!seeds.empty()) {
        const QPoint seed = seeds.back();
        seeds.pop_back();
        QRgb* pixels = row(seed.y());
        if (pixels[seed.x()] != target) continue;
        int left = seed.x(), right = seed.x();
        while (left > 0 && pixels[left - 1] == target)
            --left;
        while (right + 1 < width && pixels[right + 1] == target)
            ++right;
        std::fill(pixels + left, pixels + right + 1, paint);
        for (const int line : {seed.y() - 1, seed.y() + 1}) {
            if (line < 0 || line >= height) continue;
            const QRgb* next = row(line);
            for (int i = left; i <= right; ++i)
                if (next[i] == target && (i == left || next[i - 1] != target))
                    seeds.emplace_back(i, line);
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

void TQtCanvas::SavePictureBmp(std::string_view path) const {
    // What QImage::save does, but with the writer's reason for a failure.
    QImageWriter writer(
        QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size()))), "BMP");
    if (!writer.write(Image_))
        throw TFileError(std::string(path), writer.errorString().toStdString());
}

} // namespace zk
