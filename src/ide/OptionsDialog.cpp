// "Общие настройки": one control per field of the settings record, and the
// start-up question about the settings file.
#include "ide/OptionsDialog.h"

#include "frontend/FileIO.h"
#include "ide/BuildCommands.h"
#include "ide/InstalledFiles.h"
#include "ide/QtText.h"
#include "platform/System.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace zk::ide {

namespace {

const QString kSettingsCaption = "Файл настроек";
constexpr int kMinLogSize = 5;
constexpr int kMaxLogSize = 4096;

void ReportFileError(TDialogService& dialogs, QWidget* parent, const std::exception& failure) {
    const TNotice notice = FileErrorNotice(failure);
    dialogs.Message(parent, FromText1251(notice.Caption), FromText1251(notice.Text),
                    TMessageIcon::Error, TMessageButtons::Ok);
}

void LoadProgramSettings(TOptions& options, TDialogService& dialogs, QWidget* parent,
                         const TSettingsPlaces& places) {
    if (!places.ProgramSettings.isEmpty() && QFileInfo(places.ProgramSettings).isFile()) {
        if (!ReadSettingsFile(places.ProgramSettings, options, dialogs, parent))
            SetDefaultOptions(options);
        return;
    }
    dialogs.Message(parent, kSettingsCaption,
                    "В каталоге, в который был установлен Varnok, не найден файл настроек. "
                    "Будут использованы настройки по умолчанию.",
                    TMessageIcon::Information, TMessageButtons::Ok);
    SetDefaultOptions(options);
}

// The kept choice, by the name it has in the user's configuration file.
const QString kChoiceKey = "Startup/SettingsFileChoice";
const QStringList kChoiceNames = {"installed", "defaults", "none"};

std::optional<TStartupChoice> KeptChoice(const QString& config) {
    if (config.isEmpty()) return std::nullopt;
    const qsizetype index =
        kChoiceNames.indexOf(QSettings(config, QSettings::IniFormat).value(kChoiceKey).toString());
    if (index < 0) return std::nullopt;
    return static_cast<TStartupChoice>(index);
}

void KeepChoice(const QString& config, TStartupChoice choice) {
    QSettings settings(config, QSettings::IniFormat);
    settings.setValue(kChoiceKey, kChoiceNames[static_cast<int>(choice)]);
}

TStartupChoice AskStartupChoice(TDialogService& dialogs, QWidget* parent, const QString& config) {
    if (const std::optional<TStartupChoice> kept = KeptChoice(config)) return *kept;
    const TChoiceRequest request{
        kSettingsCaption,
        "Varnok ранее не запускался из текущего каталога. Создать файл настроек в текущем "
        "каталоге?\n\nЕго можно создать из настроек, установленных вместе с Varnok, или с "
        "настройками по умолчанию.",
        {"Создать из установленных", "Создать по умолчанию", "Не создавать"},
        static_cast<int>(TStartupChoice::NoFile),
        config.isEmpty() ? QString() : "Больше не спрашивать"};
    const TChoice answer = dialogs.Choose(parent, request);
    const auto choice = static_cast<TStartupChoice>(
        std::clamp(answer.Button, 0, static_cast<int>(TStartupChoice::NoFile)));
    if (answer.Checked && !config.isEmpty()) KeepChoice(config, choice);
    return choice;
}

QLabel* Label(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

template <typename TWidget> TWidget* Named(TWidget* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QCheckBox* CheckBox(const QString& text, const char* name) {
    return Named(new QCheckBox(text), name);
}

QPushButton* Button(const QString& text, const char* name) {
    auto* button = Named(new QPushButton(text), name);
    button->setAutoDefault(false);
    return button;
}

// Radio buttons whose ids are the values of their field, one under another.
QButtonGroup* RadioGroup(QWidget* owner, QVBoxLayout* layout,
                         std::initializer_list<std::pair<const char*, QString>> choices) {
    auto* group = new QButtonGroup(owner);
    int id = 0;
    for (const auto& [name, text] : choices) {
        auto* radio = Named(new QRadioButton(text), name);
        group->addButton(radio, id++);
        layout->addWidget(radio);
    }
    return group;
}

// A value a hand-edited file may hold beyond the choices shows as the first.
void Check(QButtonGroup* group, int id) {
    QAbstractButton* button = group->button(id);
    (button ? button : group->button(0))->setChecked(true);
}

// The family exactly as the record names it, also one this machine serves
// under another name ("Courier New" by "Liberation Mono"), so that OK without
// a change keeps the record as it was.
void ShowFontFamily(QFontComboBox* box, const QString& family) {
    const int listed = box->findText(family);
    if (listed >= 0) box->setCurrentIndex(listed);
    box->setEditText(family);
}

QString WithSlash(QString dir) {
    return dir.endsWith('/') ? dir : dir + '/';
}

} // namespace

// The user's configuration is the file of the program's own QSettings.
TSettingsPlaces StartupSettingsPlaces() {
    return {QDir::currentPath(), InstalledFile(kSettingsFileName), QSettings().fileName()};
}

void LoadStartupOptions(TOptions& options, TDialogService& dialogs, QWidget* parent,
                        const TSettingsPlaces& places) {
    options.Include.clear();
    const QString local = QDir(places.CurrentDir).filePath(kSettingsFileName);
    if (QFileInfo(local).isFile()) {
        if (!ReadSettingsFile(local, options, dialogs, parent)) SetDefaultOptions(options);
        return;
    }
    switch (AskStartupChoice(dialogs, parent, places.UserConfig)) {
    case TStartupChoice::InstalledSettings:
        LoadProgramSettings(options, dialogs, parent, places);
        break;
    case TStartupChoice::Defaults: SetDefaultOptions(options); break;
    case TStartupChoice::NoFile: LoadProgramSettings(options, dialogs, parent, places); return;
    }
    WriteSettingsFile(local, options, dialogs, parent);
}

bool ReadSettingsFile(const QString& path, TOptions& options, TDialogService& dialogs,
                      QWidget* parent) {
    try {
        LoadOptions(PathBytes(path), options);
        return true;
    } catch (const TFileError& failure) {
        ReportFileError(dialogs, parent, failure);
        return false;
    }
}

bool WriteSettingsFile(const QString& path, const TOptions& options, TDialogService& dialogs,
                       QWidget* parent) {
    try {
        SaveOptions(PathBytes(path), options);
        return true;
    } catch (const TFileError& failure) {
        ReportFileError(dialogs, parent, failure);
        return false;
    }
}

int64_t PhysicalMemoryBytes() {
    return static_cast<int64_t>(zk::PhysicalMemoryBytes());
}

int MemoryBoundMB(int64_t physicalBytes) {
    const double megabytes = static_cast<double>(physicalBytes / (1024 * 1024));
    const double bound = std::nearbyint(megabytes * 0.9 - 5); // the default mode: half to even
    return static_cast<int>(std::clamp(bound, 1.0, 65535.0));
}

TCommonOptsFrm::TCommonOptsFrm(TOptions& options, QWidget* parent, int64_t physicalBytes)
    : QDialog(parent), Options_(options) {
    setObjectName("CommonOptsFrm");
    setWindowTitle("Общие настройки");

    auto* right = new QVBoxLayout;
    right->addWidget(BuildCompileGroup());
    right->addWidget(BuildInterpretGroup());
    right->addWidget(BuildLogGroup());
    right->addWidget(BuildGraphicsGroup());
    right->addStretch();
    EdtMaxMem_->setRange(1, MemoryBoundMB(physicalBytes));

    auto* left = new QVBoxLayout;
    left->addWidget(BuildFilesGroup(), 1);
    left->addWidget(BuildEditorGroup());

    auto* groups = new QHBoxLayout;
    groups->addLayout(left, 3);
    groups->addLayout(right, 2);

    auto* ok = Button("OK", "CmdOK");
    ok->setDefault(true);
    auto* cancel = Button("Отмена", "CmdCancel");
    cancel->setToolTip("Отменить все сделанные изменения и закрыть диалог настроек");
    auto* byDefault = Button("Применить по умолчанию", "CmdDefault");
    byDefault->setToolTip("Установить настройки по умолчанию и выйти из диалога настроек");
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    connect(byDefault, &QPushButton::clicked, this, [this] { OnDefault(); });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(byDefault);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(groups);
    layout->addLayout(buttons);
    PutToControls();
}

QWidget* TCommonOptsFrm::BuildFilesGroup() {
    auto* group = Named(new QGroupBox("Файлы и пути"), "GrpFiles");
    EdtTempDir_ = Named(new QLineEdit, "EdtTempDir");
    EdtDefaultDir_ = Named(new QLineEdit, "EdtDefaultDir");
    EdtExtOutputDir_ = Named(new QLineEdit, "EdtExtOutputDir");
    EdtDefExtension_ = Named(new QLineEdit, "EdtDefExtension");
    EdtDefExtension_->setMaxLength(3);
    EdtDefExtension_->setMaximumWidth(EdtDefExtension_->fontMetrics().horizontalAdvance("WWWW") +
                                      12);
    EdtInclPath_ = Named(new QLineEdit, "EdtInclPath");
    LstInclPath_ = Named(new QListWidget, "LstInclPath");

    auto* add = Button("V", "CmdAddPath");
    auto* take = Button("^", "CmdTakePath");
    auto* clear = Button("Очистить", "CmdClearList");
    auto* remove = Button("Удалить", "CmdDelList");
    add->setToolTip("Добавить каталог в список");
    take->setToolTip("Взять выбранный каталог из списка");
    for (QPushButton* narrow : {add, take})
        narrow->setFixedWidth(narrow->fontMetrics().horizontalAdvance("WW") + 16);
    connect(add, &QPushButton::clicked, this, [this] { OnAddPath(); });
    connect(take, &QPushButton::clicked, this, [this] { OnTakePath(); });
    connect(clear, &QPushButton::clicked, this, [this] { OnClearList(); });
    connect(remove, &QPushButton::clicked, this, [this] { OnDelList(); });

    auto* grid = new QGridLayout(group);
    grid->addWidget(Label("Путь к временным файлам:", EdtTempDir_), 0, 0);
    grid->addWidget(EdtTempDir_, 0, 1, 1, 3);
    grid->addWidget(Label("Каталог по умолчанию:", EdtDefaultDir_), 1, 0);
    grid->addWidget(EdtDefaultDir_, 1, 1, 1, 3);
    grid->addWidget(Label("Путь к доп. вых. файлам:", EdtExtOutputDir_), 2, 0);
    grid->addWidget(EdtExtOutputDir_, 2, 1, 1, 3);
    grid->addWidget(Label("Расширение по умолчанию:", EdtDefExtension_), 3, 0);
    grid->addWidget(EdtDefExtension_, 3, 1, 1, 3, Qt::AlignLeft);
    grid->addWidget(Label("Пути к включаемым файлам:", EdtInclPath_), 4, 0, 1, 4);
    grid->addWidget(EdtInclPath_, 5, 0, 1, 2);
    grid->addWidget(add, 5, 2);
    grid->addWidget(take, 5, 3);
    grid->addWidget(LstInclPath_, 6, 0, 3, 2);
    grid->addWidget(clear, 6, 2, 1, 2);
    grid->addWidget(remove, 7, 2, 1, 2);
    grid->setRowStretch(8, 1);
    grid->setColumnStretch(1, 1);
    return group;
}

QWidget* TCommonOptsFrm::BuildCompileGroup() {
    auto* group = Named(new QGroupBox("Компиляция"), "GrpCompile");
    ChkPCDOut_ = CheckBox("Вывод P-Кода", "ChkPCDOut");
    ChkUseNew_ = CheckBox("Модифицированный ZK (ZKM)", "ChkUseNew");
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(ChkPCDOut_);
    layout->addWidget(ChkUseNew_);
    return group;
}

QWidget* TCommonOptsFrm::BuildInterpretGroup() {
    auto* group = Named(new QGroupBox("Интерпретация"), "GrpInterpret");
    ChkSymbolErr_ = CheckBox("Symbol от выражения вызывает ошибку", "ChkSymbolErr");
    ChkAutoSave_ = CheckBox("Автосохранение", "ChkAutoSave");
    ChkStartIntrp_ = CheckBox("Сразу начинать интерпретацию", "ChkStartIntrp");
    EdtMaxMem_ = Named(new QSpinBox, "EdtMaxMem");
    auto* memory = new QHBoxLayout;
    memory->addWidget(Label("Макс. используемая память (MB):", EdtMaxMem_));
    memory->addWidget(EdtMaxMem_);
    memory->addStretch();
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(ChkSymbolErr_);
    layout->addWidget(ChkAutoSave_);
    layout->addLayout(memory);
    layout->addWidget(ChkStartIntrp_);
    return group;
}

QWidget* TCommonOptsFrm::BuildLogGroup() {
    auto* group = Named(new QGroupBox("Log-файлы"), "GrpLog");
    auto* layout = new QVBoxLayout(group);
    GrpLogMode_ = RadioGroup(this, layout,
                             {{"OptNoLog", "Не вести Log"},
                              {"OptRewriteLog", "Перезаписывать Log"},
                              {"OptAppendLog", "Дописывать Log"}});
    ChkLimitSize_ = CheckBox("Макс. размер (KB):", "ChkLimitSize");
    EdtLogSize_ = Named(new QSpinBox, "EdtLogSize");
    EdtLogSize_->setRange(kMinLogSize, kMaxLogSize);
    auto* limit = new QHBoxLayout;
    limit->addWidget(ChkLimitSize_);
    limit->addWidget(EdtLogSize_);
    limit->addStretch();
    layout->addLayout(limit);
    return group;
}

QWidget* TCommonOptsFrm::BuildGraphicsGroup() {
    auto* group = Named(new QGroupBox("Графика"), "GrpGraphics");
    auto* layout = new QVBoxLayout(group);
    GrpGraphicsMode_ = RadioGroup(this, layout,
                                  {{"Opt16Colors", "16-цветная графика"},
                                   {"OptMonochrome", "Монохромная графика"},
                                   {"OptTrueColor", "Полноцветная графика"}});
    return group;
}

// The editor lays its text out in character cells: only fixed-pitch fonts.
QWidget* TCommonOptsFrm::BuildEditorGroup() {
    auto* group = Named(new QGroupBox("Редактор"), "GrpEditor");
    CmbFontFamily_ = Named(new QFontComboBox, "CmbFontFamily");
    CmbFontFamily_->setFontFilters(QFontComboBox::MonospacedFonts);
    EdtFontSize_ = Named(new QSpinBox, "EdtFontSize");
    EdtFontSize_->setRange(kMinFontSize, kMaxFontSize);
    ChkLineNumbers_ = CheckBox("Номера строк", "ChkLineNumbers");
    ChkLiveErrors_ = CheckBox("Ошибки при вводе", "ChkLiveErrors");
    EdtStepLimit_ = Named(new QSpinBox, "EdtStepLimit");
    EdtStepLimit_->setRange(kMinDebugStepLimit, std::numeric_limits<int32_t>::max());
    EdtStepLimit_->setGroupSeparatorShown(true);
    auto* layout = new QGridLayout(group);
    layout->addWidget(Label("Шрифт:", CmbFontFamily_), 0, 0);
    layout->addWidget(CmbFontFamily_, 0, 1);
    layout->addWidget(Label("Размер:", EdtFontSize_), 0, 2);
    layout->addWidget(EdtFontSize_, 0, 3);
    layout->addWidget(ChkLineNumbers_, 1, 0, 1, 2);
    layout->addWidget(ChkLiveErrors_, 1, 2, 1, 2);
    layout->addWidget(Label("Предел шагов отладки:", EdtStepLimit_), 2, 0, 1, 2);
    layout->addWidget(EdtStepLimit_, 2, 2, 1, 2);
    layout->setColumnStretch(1, 1);
    return group;
}

void TCommonOptsFrm::OnInit(TDialogService& dialogs, const TSettingsPlaces& places) {
    LoadStartupOptions(Options_, dialogs, this, places);
    PutToControls();
}

void TCommonOptsFrm::PutToControls() {
    LstInclPath_->clear();
    for (const std::string& dir : Options_.Include)
        LstInclPath_->addItem(PathString(dir));
    EdtTempDir_->setText(PathString(Options_.TempDir));
    EdtDefaultDir_->setText(PathString(Options_.DefaultDir));
    EdtExtOutputDir_->setText(PathString(Options_.ExtOutputDir));
    EdtDefExtension_->setText(FromText1251(Options_.DefExtension));
    ChkPCDOut_->setChecked(Options_.PCDOut);
    ChkUseNew_->setChecked(Options_.UseNew);
    ChkSymbolErr_->setChecked(Options_.SymbolErr);
    ChkStartIntrp_->setChecked(Options_.StartIntrp);
    ChkAutoSave_->setChecked(Options_.AutoSave);
    EdtMaxMem_->setValue(Options_.MaxMem);
    Check(GrpLogMode_, Options_.LogMode);
    ChkLimitSize_->setChecked(Options_.LimitSize);
    EdtLogSize_->setValue(Options_.LogSize);
    Check(GrpGraphicsMode_, Options_.GraphicsMode);
    ShowFontFamily(CmbFontFamily_, FromText1251(Options_.FontFamily));
    EdtFontSize_->setValue(Options_.FontSize);
    ChkLineNumbers_->setChecked(Options_.LineNumbers);
    ChkLiveErrors_->setChecked(Options_.LiveErrors);
    EdtStepLimit_->setValue(Options_.DebugStepLimit);
}

void TCommonOptsFrm::GetFromCtrls() {
    Options_.Include.clear();
    for (int row = 0; row < LstInclPath_->count(); ++row)
        Options_.Include.push_back(PathBytes(LstInclPath_->item(row)->text()));
    Options_.TempDir = PathBytes(EdtTempDir_->text());
    Options_.DefaultDir = PathBytes(EdtDefaultDir_->text());
    Options_.ExtOutputDir = PathBytes(EdtExtOutputDir_->text());
    Options_.DefExtension = ToText1251(EdtDefExtension_->text()).substr(0, 3);
    Options_.PCDOut = ChkPCDOut_->isChecked();
    Options_.UseNew = ChkUseNew_->isChecked();
    Options_.SymbolErr = ChkSymbolErr_->isChecked();
    Options_.StartIntrp = ChkStartIntrp_->isChecked();
    Options_.AutoSave = ChkAutoSave_->isChecked();
    Options_.MaxMem = static_cast<uint16_t>(EdtMaxMem_->value());
    Options_.LogMode = static_cast<uint8_t>(GrpLogMode_->checkedId());
    Options_.LimitSize = ChkLimitSize_->isChecked();
    Options_.LogSize = static_cast<uint16_t>(EdtLogSize_->value());
    Options_.GraphicsMode = static_cast<uint8_t>(GrpGraphicsMode_->checkedId());
    const QString family = CmbFontFamily_->currentText().trimmed();
    Options_.FontFamily = family.isEmpty() ? std::string(kDefaultFontFamily) : ToText1251(family);
    Options_.FontSize = EdtFontSize_->value();
    Options_.LineNumbers = ChkLineNumbers_->isChecked();
    Options_.LiveErrors = ChkLiveErrors_->isChecked();
    Options_.DebugStepLimit = EdtStepLimit_->value();
}

void TCommonOptsFrm::OnOK() {
    GetFromCtrls();
    accept();
}

void TCommonOptsFrm::OnCancel() {
    PutToControls();
    QDialog::reject();
}

void TCommonOptsFrm::OnDefault() {
    SetDefaultOptions(Options_);
    PutToControls();
    OnOK();
}

void TCommonOptsFrm::OnAddPath() {
    const QString dir = EdtInclPath_->text();
    if (!dir.isEmpty()) LstInclPath_->addItem(WithSlash(dir));
}

void TCommonOptsFrm::OnTakePath() {
    const QList<QListWidgetItem*> selected = LstInclPath_->selectedItems();
    if (!selected.isEmpty()) EdtInclPath_->setText(selected.first()->text());
}

void TCommonOptsFrm::OnClearList() {
    LstInclPath_->clear();
}

void TCommonOptsFrm::OnDelList() {
    const QList<QListWidgetItem*> selected = LstInclPath_->selectedItems();
    if (!selected.isEmpty()) delete selected.first();
}

} // namespace zk::ide
