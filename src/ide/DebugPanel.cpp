// The debug panel on Qt Widgets. The body is HTML so that the values that
// stand in place of finished sub-forms can be marked.
#include "ide/DebugPanel.h"

#include "ide/QtText.h"
#include "interp/RunResult.h"

#include <QFontDatabase>
#include <QLabel>
#include <QListWidget>
#include <QSplitter>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace zk::ide {

namespace {

const QString kValueStyle = "background-color:#d5efd5; color:#0b5d0b;";

QString BodyHtml(const std::vector<TBodyPiece>& pieces) {
    QString html = "<pre style=\"white-space:pre-wrap\">";
    for (const TBodyPiece& piece : pieces) {
        const QString text = FromText1251(piece.Text).toHtmlEscaped();
        html += piece.IsValue ? "<span style=\"" + kValueStyle + "\">" + text + "</span>" : text;
    }
    // A CR LF line end would break the line twice in HTML.
    html.replace("\r\n", "\n").replace('\r', '\n');
    return html + "</pre>";
}

QLabel* WrappingLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QWidget* Titled(const QString& title, QWidget* content, QWidget* parent) {
    auto* box = new QWidget(parent);
    auto* column = new QVBoxLayout(box);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(new QLabel(title, box));
    column->addWidget(content, 1);
    return box;
}

} // namespace

QString StopCaption(const TStop& stop) {
    switch (stop.Kind) {
    case TStopKind::Enter: return "Вход в форму";
    case TStopKind::Leave: return "Значение формы";
    case TStopKind::CallEnter: return "Вызов функции";
    case TStopKind::CallLeave: return "Возврат из функции";
    case TStopKind::Breakpoint: return "Точка останова";
    case TStopKind::Error: return FromText1251(RunErrorMessage(stop.ErrorNumber));
    case TStopKind::Finished: return "Выполнение завершено";
    case TStopKind::Paused: return "Пауза";
    case TStopKind::StepLimit: return "Достигнут предел шагов";
    case TStopKind::Stopped: return "Выполнение прервано";
    }
    return {};
}

TDebugPanel::TDebugPanel(QWidget* parent)
    : QDockWidget("Отладка", parent), LblStep(new QLabel(this)), LblStop(WrappingLabel(this)),
      TxtBody(new QTextBrowser(this)), LblLastStep(WrappingLabel(this)),
      LstCalls(new QListWidget(this)), LstValues(new QListWidget(this)) {
    setObjectName("DebugPanel");
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    for (QWidget* text : std::initializer_list<QWidget*>{TxtBody, LblLastStep, LstCalls, LstValues})
        text->setFont(fixed);

    auto* stacks = new QSplitter(Qt::Vertical, this);
    stacks->addWidget(Titled("Стек вызовов", LstCalls, stacks));
    stacks->addWidget(Titled("Стек значений", LstValues, stacks));
    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->addWidget(LblStep);
    column->addWidget(LblStop);
    column->addWidget(Titled("Текущий вызов", TxtBody, content), 2);
    column->addWidget(LblLastStep);
    column->addWidget(stacks, 3);
    setWidget(content);

    connect(LstCalls, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0 && FrameChosen) FrameChosen(row);
    });
    Clear();
}

void TDebugPanel::ShowStop(const TStopView& view, const TDebugTexts& texts, const TPCode& code) {
    LblStep->setText(QString("шаг %1 из %2").arg(view.Stop.Step).arg(view.Stop.Total));
    LblStop->setText(StopCaption(view.Stop));
    TxtBody->setHtml(BodyHtml(texts.BodyWithValues(view)));
    const auto [before, after] = texts.LastStep(view);
    LblLastStep->setText(before.empty() ? QString()
                                        : FromText1251(before) + " → " + FromText1251(after));

    const QSignalBlocker quiet(LstCalls);
    LstCalls->clear();
    for (const TFrameView& frame : view.Calls)
        LstCalls->addItem(FromText1251(texts.FrameText(frame, code)));
    if (view.CallCount > static_cast<int32_t>(view.Calls.size()))
        LstCalls->addItem(QString("… ещё вызовов: %1").arg(view.CallCount - view.Calls.size()));
    LstValues->clear();
    for (const TShownValue& value : view.Values)
        LstValues->addItem(FromText1251(value.Text));
    if (view.ValueCount > static_cast<int32_t>(view.Values.size()))
        LstValues->addItem(QString("… ещё значений: %1").arg(view.ValueCount - view.Values.size()));
}

void TDebugPanel::Clear() {
    LblStep->setText("Отладка не идёт: F7 начинает её с первой формы программы");
    LblStop->clear();
    TxtBody->clear();
    LblLastStep->clear();
    LstCalls->clear();
    LstValues->clear();
}

} // namespace zk::ide
