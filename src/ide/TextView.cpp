// The monospace font of program texts and the zoom of text views.
#include "ide/TextView.h"

#include "ide/QtText.h"

#include <QAbstractScrollArea>
#include <QKeyEvent>
#include <QWheelEvent>

#include <algorithm>

namespace zk::ide {

namespace {

constexpr int kMinSteps = -8;
constexpr int kMaxSteps = 40;
constexpr int kSmallestSize = 4; // points or pixels: below it nothing is legible
constexpr int kWheelNotch = 120;

bool IsZoomKey(int key) {
    return key == Qt::Key_Plus || key == Qt::Key_Equal || key == Qt::Key_Minus || key == Qt::Key_0;
}

QFont Zoomed(QFont font, int steps) {
    if (font.pointSizeF() > 0)
        font.setPointSizeF(std::max(font.pointSizeF() + steps, qreal(kSmallestSize)));
    else
        font.setPixelSize(std::max(font.pixelSize() + steps, kSmallestSize));
    return font;
}

} // namespace

QFont MonospaceFont(const QString& family, int pointSize) {
    QFont font;
    font.setFamilies({family, QStringLiteral("Liberation Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(pointSize);
    return font;
}

QFont EditorFont(const TOptions& options) {
    const bool loaded = !options.FontFamily.empty() && options.FontSize > 0;
    return loaded ? MonospaceFont(FromText1251(options.FontFamily), options.FontSize)
                  : MonospaceFont(FromText1251(kDefaultFontFamily), kDefaultFontSize);
}

TTextZoom::TTextZoom(QAbstractScrollArea* view) : QObject(view), View_(view), Base_(view->font()) {
    // Keys reach the view, the wheel its viewport.
    view->installEventFilter(this);
    view->viewport()->installEventFilter(this);
}

TTextZoom* TTextZoom::Install(QAbstractScrollArea* view) {
    return new TTextZoom(view);
}

void TTextZoom::SetBaseFont(const QFont& font) {
    Base_ = font;
    View_->setFont(Zoomed(Base_, Steps_));
}

void TTextZoom::ZoomBy(int steps) {
    Steps_ = std::clamp(Steps_ + steps, kMinSteps, kMaxSteps);
    View_->setFont(Zoomed(Base_, Steps_));
}

void TTextZoom::ZoomKey(int key) {
    if (key == Qt::Key_Minus)
        ZoomOut();
    else if (key == Qt::Key_0)
        Reset();
    else
        ZoomIn();
}

bool TTextZoom::eventFilter(QObject* watched, QEvent* event) {
    const auto withControl = [](const QInputEvent* input) {
        return (input->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ==
               Qt::ControlModifier;
    };
    switch (event->type()) {
    case QEvent::ShortcutOverride: { // the view's keys win over a window's shortcuts
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched == View_ && withControl(key) && IsZoomKey(key->key())) event->accept();
        break;
    }
    case QEvent::KeyPress: {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (watched != View_ || !withControl(key) || !IsZoomKey(key->key())) break;
        ZoomKey(key->key());
        return true;
    }
    case QEvent::Wheel: {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        if (!withControl(wheel)) break;
        WheelRemainder_ += wheel->angleDelta().y();
        ZoomBy(WheelRemainder_ / kWheelNotch);
        WheelRemainder_ %= kWheelNotch;
        return true; // neither scrolled nor zoomed a second time by the view itself
    }
    default: break;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace zk::ide
