// What the environment's text views share: the monospace font program texts
// are shown in, and zooming, with the keys and the wheel every browser has.
// The zoom changes the point size of the view's font, as the own zoom of
// QPlainTextEdit and QTextEdit does, so any text view can have it: the
// result window, the help window.
#pragma once

#include "frontend/Options.h"

#include <QFont>
#include <QObject>
#include <QString>

class QAbstractScrollArea;

namespace zk::ide {

// `family` with "Liberation Mono" behind it, so that a family this machine
// lacks still gives a fixed-pitch font.
QFont MonospaceFont(const QString& family, int pointSize);
// The editor's font as the settings say, the default one for a record
// never loaded.
QFont EditorFont(const TOptions& options);

// Control+Plus (or Control+=) and Control+Minus zoom in and out by a point,
// Control+0 goes back to the base font, Control+wheel zooms too.
class TTextZoom final : public QObject {
public:
    // The zoom of `view`, whose font now is the base; a child of the view.
    static TTextZoom* Install(QAbstractScrollArea* view);

    // A new base font; the steps zoomed stay.
    void SetBaseFont(const QFont& font);
    void ZoomIn() { ZoomBy(1); }
    void ZoomOut() { ZoomBy(-1); }
    void Reset() { ZoomBy(-Steps_); }
    int Steps() const { return Steps_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit TTextZoom(QAbstractScrollArea* view);
    void ZoomBy(int steps);
    void ZoomKey(int key);

    QAbstractScrollArea* View_;
    QFont Base_;
    int Steps_ = 0;
    int WheelRemainder_ = 0;
};

} // namespace zk::ide
