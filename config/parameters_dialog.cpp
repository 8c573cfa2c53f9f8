#include "config/parameters_dialog.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <bit>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "config/dialog_parts_qt.h"
#include "config/edit_routines_qt.h"
#include "config/param_backup.h"
#include "config/param_file_io_qt.h"
#include "config/param_format.h"
#include "config/param_table.h"
#include "config/param_texts.h"
#include "config/regional_settings_qt.h"
#include "link/error_display.h"

namespace zt30 {

namespace {

constexpr int kProgressStart = 40;
constexpr int kProgressStep = 15;
// The index of a parameter table (one of kParamTables) in tablesKnown_.
std::size_t TableIndex(int table) {
    return static_cast<std::size_t>(table - kParamTables.front());
}

constexpr char kCommunicationCaption[] = "Komunikace";
constexpr char kFileErrorCaption[] = "CHYBA";

// Indexes into kParamLabels.
enum Param : std::size_t {
    kFunc,
    kDp,
    kFactor,
    kScale,
    kOffset,
    kSpLo,
    kSpHi,
    kHyster,
    kFiltr,
    kAnLo,
    kAnHi
};

QString Text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QComboBox* ChoiceList(const char* name, std::span<const std::string_view> items, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(false);  // a fixed list: the field is the chosen item's index
    for (std::string_view item : items) {
        list->addItem(Text(item));
    }
    return list;
}

QLineEdit* Edit(const char* name, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    // Room for the widest float text this dialog writes without scientific form.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("-0000000000,000000")) +
                          edit->fontMetrics().height());
    return edit;
}

// The edit text of a float from a file: the dialog's own format when it reads back as the same float, else
// the shortest text that does, so that "Zápis" sends the file's value exactly.
std::string FloatEditText(float value, char separator) {
    const std::string shown = FormatFloatParam(value, separator);
    const std::optional<float> read = ParseFloatParam(shown, separator);
    return read && std::bit_cast<std::uint32_t>(*read) == std::bit_cast<std::uint32_t>(value)
               ? shown
               : ShortestFloatText(value, separator);
}

// A field outside the list shows no item.
void ShowChoice(QComboBox& list, std::uint8_t field) {
    list.setCurrentIndex(field < list.count() ? field : -1);
}

// A list showing no item leaves the field's code as the instrument sent it, instead of storing -1 as 255.
void CollectChoice(const QComboBox& list, std::uint8_t& field) {
    if (list.currentIndex() >= 0) {
        field = static_cast<std::uint8_t>(list.currentIndex());
    }
}

// The fields of tables 1 to 4, which the dialog shows and collects.
void CopyParamFields(const DeviceImage& from, DeviceImage& to) {
    to.func = from.func;
    to.dp = from.dp;
    to.factor = from.factor;
    to.config = from.config;
    to.filtr = from.filtr;
    to.scale = from.scale;
    to.offset = from.offset;
    to.sp_lo = from.sp_lo;
    to.sp_hi = from.sp_hi;
    to.hyster = from.hyster;
    to.an_lo = from.an_lo;
    to.an_hi = from.an_hi;
}

// "Parametr SCALE nebyl ..." or "Parametry FUNC, DP nebyly ...", then the question.
std::string UnreadWriteQuestion(const std::vector<std::string_view>& names) {
    std::string list;
    for (std::string_view name : names) {
        list += (list.empty() ? "" : ", ") + std::string(name);
    }
    if (names.size() == 1) {
        return "Parametr " + list +
               " nebyl přečten z přístroje ani načten ze souboru.\nOpravdu chceš do přístroje zapsat i "
               "jeho zobrazenou hodnotu?";
    }
    return "Parametry " + list +
           " nebyly přečteny z přístroje ani načteny ze souboru.\nOpravdu chceš do přístroje zapsat i "
           "jejich zobrazené hodnoty?";
}

}  // namespace

TForm_menu::TForm_menu(InstrumentLink& link, UiServices& ui, char decimalSeparator, QWidget* parent)
    : QDialog(parent), link_(link), ui_(ui), separator_(decimalSeparator) {
    BuildControls();
}

TForm_menu::~TForm_menu() = default;

void TForm_menu::BuildControls() {
    setObjectName(QStringLiteral("Form_menu"));
    setWindowTitle(QStringLiteral("Parametry ZANTOR 30"));
    setAccessibleName(windowTitle());

    cb_func = ChoiceList("cb_func", kFuncItems, this);
    cb_dp = ChoiceList("cb_dp", kDpItems, this);
    cb_factor = ChoiceList("cb_factor", kFactorItems, this);
    ed_scale = Edit("ed_scale", this);
    ed_offset = Edit("ed_offset", this);
    ed_sp_lo = Edit("ed_sp_lo", this);
    ed_sp_hi = Edit("ed_sp_hi", this);
    ed_hyster = Edit("ed_hyster", this);
    ed_filtr = Edit("ed_filtr", this);
    ed_an_lo = Edit("ed_an_lo", this);
    ed_an_hi = Edit("ed_an_hi", this);

    QFont small = font();
    if (small.pointSizeF() > 0) {
        small.setPointSizeF(small.pointSizeF() * 0.85);
    }
    // The parameters, each with its description above its control and its bold caption beside it, in two
    // columns (the function and its scale, then the limits, the filter and the analog output), so that the
    // dialog fits a screen 600 pixels high.
    auto* parameters = new QGridLayout();
    parameters->setVerticalSpacing(1);
    parameters->setColumnMinimumWidth(2, fontMetrics().height());
    const std::pair<Param, QWidget*> column[] = {
        {kFunc, cb_func},     {kDp, cb_dp},      {kFactor, cb_factor}, {kScale, ed_scale},
        {kOffset, ed_offset}, {kSpLo, ed_sp_lo}, {kSpHi, ed_sp_hi},    {kHyster, ed_hyster},
        {kFiltr, ed_filtr},   {kAnLo, ed_an_lo}, {kAnHi, ed_an_hi}};
    for (const auto& [param, control] : column) {
        const int second = param >= kSpLo ? 1 : 0;
        const int row = 3 * (static_cast<int>(param) - second * static_cast<int>(kSpLo));
        const int left = 3 * second;
        const ParamLabel& text = kParamLabels[param];
        QLabel* description = PlainLabel(nullptr, Text(text.description), this);
        description->setFont(small);
        description->setBuddy(control);
        QLabel* caption = PlainLabel(nullptr, Text(text.caption), this, true);
        caption->setBuddy(control);
        caption->setMinimumWidth(caption->fontMetrics().horizontalAdvance(QStringLiteral("FACTOR ")));
        control->setAccessibleName(caption->text());
        control->setAccessibleDescription(description->text());
        parameters->addWidget(description, row, left + 1);
        parameters->addWidget(caption, row + 1, left);
        parameters->addWidget(control, row + 1, left + 1);
        parameters->setRowMinimumHeight(row + 2, fontMetrics().height() / 3);
    }
    parameters->setRowStretch(3 * 6, 1);

    // The right column: the CONFIG panel, bit 5 at the top, bit 0 at the bottom; item 0 chosen at first.
    QLabel* configCaption =
        PlainLabel(nullptr, Text(kParamLabels[kParamLabels.size() - 1].caption), this, true);
    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("pa_config"));
    panel->setAccessibleName(configCaption->text());
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    auto* switches = new QVBoxLayout(panel);
    switches->setSpacing(fontMetrics().height() / 6);
    for (std::size_t bit = kConfigSwitches.size(); bit-- > 0;) {
        const ConfigSwitchText& text = kConfigSwitches[bit];
        auto* group = new QGroupBox(Text(text.caption), panel);
        group->setObjectName(Text(text.name));
        group->setAccessibleName(group->title());
        // Compact, so that the panel is no taller than the parameters' columns.
        group->setFlat(true);
        auto* items = new QVBoxLayout(group);
        items->setSpacing(0);
        items->setContentsMargins(fontMetrics().height(), items->contentsMargins().top(), 0, 0);
        auto* buttons = new QButtonGroup(group);
        int id = 0;
        for (std::string_view item : {text.item0, text.item1}) {
            auto* radio = new QRadioButton(Text(item), group);
            radio->setObjectName(group->objectName() + QStringLiteral("_%1").arg(id));
            items->addWidget(radio);
            buttons->addButton(radio, id++);
        }
        buttons->button(0)->setChecked(true);
        configSwitches_[bit] = buttons;
        switches->addWidget(group);
    }
    auto* right = new QVBoxLayout();
    right->addWidget(configCaption);
    right->addWidget(panel);
    right->addStretch(1);

    tl_read = NamedButton("tl_read", QStringLiteral("Čtení"), this);
    tl_write = NamedButton("tl_write", QStringLiteral("Zápis"), this);
    tl_save = NamedButton("tl_save", QStringLiteral("Uložit..."), this);
    tl_load = NamedButton("tl_load", QStringLiteral("Načíst..."), this);
    tl_exit = NamedButton("tl_exit", QStringLiteral("Zpět"), this);
    tl_exit->setDefault(true);
    auto* buttons = new QHBoxLayout();
    for (QPushButton* button : {tl_read, tl_write, tl_save, tl_load, tl_exit}) {
        buttons->addWidget(button);
    }

    bar_load = new QProgressBar(this);
    bar_load->setObjectName(QStringLiteral("bar_load"));
    bar_load->setAccessibleName(QStringLiteral("Průběh přenosu"));
    bar_load->setRange(0, 100);
    bar_load->setValue(0);
    QSizePolicy keepPlace = bar_load->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(
        true);  // the fixed-size dialog keeps its shape while the bar comes and goes
    bar_load->setSizePolicy(keepPlace);
    bar_load->setVisible(false);

    auto* page = new QGridLayout(this);
    page->setHorizontalSpacing(fontMetrics().height());
    page->addLayout(parameters, 0, 0);
    page->addLayout(right, 0, 1);
    page->addLayout(buttons, 1, 0);
    page->addWidget(bar_load, 1, 1);
    MakeFixedDialog(*this);

    // Keyboard order: the lists, the edits with FILTR last, the switches, the buttons.
    std::vector<QWidget*> order = {cb_func,  cb_dp,     cb_factor, ed_scale, ed_offset, ed_sp_lo,
                                   ed_sp_hi, ed_hyster, ed_an_lo,  ed_an_hi, ed_filtr};
    for (std::size_t bit = kConfigSwitches.size(); bit-- > 0;) {
        for (QAbstractButton* radio : configSwitches_[bit]->buttons()) {
            order.push_back(radio);
        }
    }
    order.insert(order.end(), {tl_read, tl_write, tl_save, tl_load, tl_exit});
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }

    connect(tl_read, &QPushButton::clicked, this, [this] { RunHandler(ui_, [this] { tl_readClick(); }); });
    connect(tl_write, &QPushButton::clicked, this, [this] { RunHandler(ui_, [this] { tl_writeClick(); }); });
    connect(tl_save, &QPushButton::clicked, this, [this] { RunHandler(ui_, [this] { tl_saveClick(); }); });
    connect(tl_load, &QPushButton::clicked, this, [this] { RunHandler(ui_, [this] { tl_loadClick(); }); });
    connect(tl_exit, &QPushButton::clicked, this, &QDialog::accept);
}

int TForm_menu::ShowModal() {
    tablesKnown_ = {};
    readPending_ = true;
    // Modal from the moment it shows, so the read's progress and boxes belong to a dialog already on screen.
    setWindowModality(Qt::ApplicationModal);
    show();
    const int result = exec();
    readPending_ = false;
    return result == QDialog::Accepted ? kModalOk : kModalCancel;
}

void TForm_menu::paintEvent(QPaintEvent* event) {
    QDialog::paintEvent(event);
    if (readPending_) {
        readPending_ = false;
        // The read holds the event loop for up to two seconds: it starts from the loop once this first paint
        // has reached the screen, so the window and its progress bar are seen meanwhile.
        QTimer::singleShot(0, this, [this] {
            if (isVisible()) {
                RunHandler(ui_, [this] { tl_readClick(); });
            }
        });
    }
}

void TForm_menu::StartProgress() {
    bar_load->setValue(kProgressStart);
    bar_load->setVisible(true);
    bar_load->repaint();
}

void TForm_menu::StepProgress() {
    bar_load->setValue(bar_load->value() + kProgressStep);
    bar_load->repaint();  // the exchanges block the event loop
}

TableProgress TForm_menu::AfterTable() {
    return [this](int table, bool ok) {
        if (ok) {
            tablesKnown_[TableIndex(table)] = true;
        }
        StepProgress();
    };
}

void TForm_menu::EndProgress() {
    bar_load->setVisible(false);
    bar_load->setValue(0);
}

void TForm_menu::tl_readClick() {
    StartProgress();
    if (!ReadTables(link_.device, link_.clock(), kParamTables, OnTableFailure::GoOn, AfterTable()).Ok()) {
        ui_.ShowMessage("Chyba při čtení", kCommunicationCaption, MessageIcon::Error, MessageButtons::Ok);
    }
    ShowParams();
    EndProgress();
}

void TForm_menu::tl_writeClick() {
    StartProgress();
    DeviceImage before;
    CopyParamFields(link_.image, before);
    if (CollectParams() != 0) {
        EndProgress();
        return;
    }
    if (!ConfirmWriteOfUnread()) {
        CopyParamFields(before, link_.image);  // nothing sent, so the image keeps what the instrument holds
        EndProgress();
        return;
    }
    if (!WriteTables(link_.device, link_.clock(), kParamTables, OnTableFailure::GoOn, AfterTable()).Ok()) {
        ui_.ShowMessage("Chyba při zápisu", kCommunicationCaption, MessageIcon::Error, MessageButtons::Ok);
    }
    EndProgress();
}

std::vector<std::string_view> TForm_menu::ParamsNotRead() const {
    std::vector<std::string_view> names;
    bool configKnown = true;
    const std::span<const ParamInfo> params = AllParams();
    for (std::size_t i = 0; i < params.size(); ++i) {
        const bool known = tablesKnown_[TableIndex(params[i].table)] || (loadedFromFile_ >> i & 1U) != 0;
        if (params[i].kind == ParamKind::ConfigSwitch) {
            configKnown = configKnown && known;
        } else if (!known) {
            names.push_back(params[i].name);
        }
    }
    if (!configKnown) {
        names.push_back(kParamLabels[kParamLabels.size() - 1].caption);
    }
    return names;
}

bool TForm_menu::ConfirmWriteOfUnread() {
    const std::vector<std::string_view> names = ParamsNotRead();
    return names.empty() || ui_.ShowMessage(UnreadWriteQuestion(names), "Dotaz", MessageIcon::Question,
                                            MessageButtons::YesNo) == MessageAnswer::Yes;
}

void TForm_menu::ShowParams() {
    loadedFromFile_ = 0;
    const DeviceImage& image = link_.image;
    ShowChoice(*cb_func, image.func);
    ShowChoice(*cb_dp, image.dp);
    ShowChoice(*cb_factor, image.factor);
    const ConfigSwitchItems items = SwitchesFromConfig(image.config);
    for (std::size_t bit = 0; bit < items.size(); ++bit) {
        configSwitches_[bit]->button(items[bit])->setChecked(true);
    }
    ed_filtr->setText(QString::fromStdString(FormatIntParam(image.filtr)));
    const std::pair<QLineEdit*, float> floats[] = {{ed_scale, image.scale},   {ed_offset, image.offset},
                                                   {ed_sp_lo, image.sp_lo},   {ed_sp_hi, image.sp_hi},
                                                   {ed_hyster, image.hyster}, {ed_an_lo, image.an_lo},
                                                   {ed_an_hi, image.an_hi}};
    for (const auto& [edit, value] : floats) {
        edit->setText(QString::fromStdString(FormatFloatParam(value, separator_)));
    }
}

int TForm_menu::CollectParams() {
    return CollectParamsInto(link_.image);
}

int TForm_menu::CollectParamsInto(DeviceImage& image) {
    CollectChoice(*cb_func, image.func);
    CollectChoice(*cb_dp, image.dp);
    CollectChoice(*cb_factor, image.factor);
    ConfigSwitchItems items{};
    for (std::size_t bit = 0; bit < items.size(); ++bit) {
        items[bit] = std::max(0, configSwitches_[bit]->checkedId());
    }
    image.config = ConfigFromSwitches(items);
    // Every entry is collected, so each rejected one shows its box, in this order.
    int result = EditToInt(*ed_filtr, image.filtr, ui_);
    const std::pair<QLineEdit*, float*> floats[] = {{ed_scale, &image.scale},   {ed_offset, &image.offset},
                                                    {ed_sp_lo, &image.sp_lo},   {ed_sp_hi, &image.sp_hi},
                                                    {ed_hyster, &image.hyster}, {ed_an_lo, &image.an_lo},
                                                    {ed_an_hi, &image.an_hi}};
    for (const auto& [edit, field] : floats) {
        result |= EditToFloat(*edit, *field, ui_, separator_);
    }
    return result;
}

}  // namespace zt30

namespace zt30 {

QLineEdit* TForm_menu::FloatEdit(float DeviceImage::*field) const {
    const std::pair<float DeviceImage::*, QLineEdit*> edits[] = {
        {&DeviceImage::scale, ed_scale}, {&DeviceImage::offset, ed_offset}, {&DeviceImage::sp_lo, ed_sp_lo},
        {&DeviceImage::sp_hi, ed_sp_hi}, {&DeviceImage::hyster, ed_hyster}, {&DeviceImage::an_lo, ed_an_lo},
        {&DeviceImage::an_hi, ed_an_hi}};
    for (const auto& [member, edit] : edits) {
        if (member == field) {
            return edit;
        }
    }
    return nullptr;
}

QComboBox* TForm_menu::ListOf(std::uint8_t DeviceImage::*field) const {
    if (field == &DeviceImage::func) {
        return cb_func;
    }
    return field == &DeviceImage::dp ? cb_dp : cb_factor;
}

FileDialogRequest TForm_menu::FileRequest(const char* title) const {
    FileDialogRequest request;
    request.title = title;
    request.fileName = fileName_;
    request.filter = "Parametry ZANTOR 30 [*.ini]|*.ini|Všechny soubory [*.*]|*";
    request.defaultSuffix = "ini";
    return request;
}

void TForm_menu::tl_saveClick() {
    // Collected into a copy: what is saved was not sent, so it has no place in the image.
    DeviceImage saved = link_.image;
    if (CollectParamsInto(saved) != 0) {
        return;  // each rejected entry has shown its box, as for "Zápis"
    }
    FileDialogRequest request = FileRequest("Uložit parametry");
    request.confirmOverwrite = true;
    const std::optional<std::string> chosen = ui_.AskSaveFileName(request);
    if (!chosen) {
        return;
    }
    ParamFileOrigin origin;
    origin.saved = SavedText(LocalDateTimeOf(QDateTime::currentDateTime()));
    origin.type = OriginText(link_.image.identType);
    origin.version = OriginText(link_.image.identVersion);
    origin.address = link_.telegrams.DestinationAddress();
    if (!SaveFileBytes(*chosen, WriteParamFile(saved, origin))) {
        ui_.ShowMessage("Soubor " + *chosen + " nelze uložit", kFileErrorCaption, MessageIcon::Error,
                        MessageButtons::Ok);
        return;
    }
    fileName_ = *chosen;
}

void TForm_menu::tl_loadClick() {
    const std::optional<std::string> chosen = ui_.AskOpenFileName(FileRequest("Načíst parametry"));
    if (!chosen) {
        return;
    }
    const std::optional<std::string> bytes = ReadFileBytes(*chosen, kMaxParamFileBytes);
    if (!bytes) {
        ui_.ShowMessage("Soubor " + *chosen + " nelze přečíst", kFileErrorCaption, MessageIcon::Error,
                        MessageButtons::Ok);
        return;
    }
    const ParamFileRead read = ReadParamFile(*bytes);
    if (!read.file) {
        ui_.ShowMessage("Soubor " + *chosen + " nelze načíst: " + ParamFileErrorTextCs(read.error),
                        kFileErrorCaption, MessageIcon::Error, MessageButtons::Ok);
        return;
    }
    fileName_ = *chosen;
    const std::span<const ParamInfo> params = AllParams();
    for (const ParamSetting& setting : read.file->settings) {
        ShowSetting(setting);
        loadedFromFile_ |= 1U << static_cast<unsigned>(setting.param - params.data());
    }
    if (read.file->config) {
        const ConfigSwitchItems items = SwitchesFromConfig(*read.file->config);
        for (std::size_t bit = 0; bit < items.size(); ++bit) {
            configSwitches_[bit]->button(items[bit])->setChecked(true);
        }
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (params[i].kind == ParamKind::ConfigSwitch) {
                loadedFromFile_ |= 1U << i;
            }
        }
    }
}

void TForm_menu::ShowSetting(const ParamSetting& setting) {
    const ParamInfo& param = *setting.param;
    switch (param.kind) {
        case ParamKind::Choice:
            ListOf(param.choiceField)->setCurrentIndex(setting.intValue);
            break;
        case ParamKind::Float:
            FloatEdit(param.floatField)
                ->setText(QString::fromStdString(FloatEditText(setting.floatValue, separator_)));
            break;
        case ParamKind::Filtr:
            ed_filtr->setText(QString::fromStdString(FormatIntParam(setting.intValue)));
            break;
        case ParamKind::ConfigSwitch:
            configSwitches_[static_cast<std::size_t>(param.switchBit)]
                ->button(setting.intValue)
                ->setChecked(true);
            break;
    }
}

}  // namespace zt30
