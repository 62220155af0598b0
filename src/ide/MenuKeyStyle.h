// The platform's style with one habit of every desktop added: Alt pressed
// and released alone moves into the menu bar, as F10 does, so the menus are
// reached from the keyboard on any style.
#pragma once

#include <QProxyStyle>

namespace zk::ide {

class TMenuKeyStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option = nullptr,
                  const QWidget* widget = nullptr,
                  QStyleHintReturn* returnData = nullptr) const override {
        if (hint == SH_MenuBar_AltKeyNavigation) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace zk::ide
