#include "link/port_dialog.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHideEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "link/com_ports.h"
#include "link/error_display.h"
#include "link/instrument_tasks.h"
#include "views/settings_store.h"

namespace zt30 {
namespace {

constexpr int kPortCount = 8;
constexpr int kHighestAddress = 126;      // the lists offer the station addresses 0 to 126
constexpr int kLastScannedAddress = 127;  // the scan probes the broadcast address too
constexpr int kTableColumns = 16;
constexpr int kTableRows = 8;
constexpr int kScanIntervalMs = 100;

const QString kNoPort = QStringLiteral("žádný port");
const QString kCellBlank = QStringLiteral(" ");
const QString kCellProbed = QStringLiteral("*");
const QString kFoundCaption = QStringLiteral("Nalezené adresy: ");
const QString kNothingFound = kFoundCaption + QStringLiteral("žádné");

// A stored value the lists cannot show is replaced by its default instead of being cut to 8 bits.
int InRangeOr(int value, int low, int high, int fallback) {
    return value >= low && value <= high ? value : fallback;
}

// A tool tip shows rich text when it looks like markup; a path from the settings file never does.
QString PlainToolTip(const QString& text) {
    if (Qt::mightBeRichText(text)) {
        return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
    }
    return text;
}

QLabel* BuddyLabel(const QString& caption, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(caption, parent);
    label->setTextFormat(Qt::PlainText);
    label->setBuddy(buddy);
    buddy->setAccessibleName(caption);
    return label;
}

QComboBox* DropDownList(const char* name, const QString& hint, QWidget* parent) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setEditable(false);
    if (!hint.isEmpty()) {
        list->setToolTip(hint);
    }
    return list;
}

QPushButton* Button(const char* name, const QString& caption, const QString& hint, QWidget* parent) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setToolTip(hint);
    button->setAccessibleName(caption);
    return button;
}

}  // namespace

template <typename Handler>
bool Tport::Guarded(Handler handler) {
    return RunHandler(ui_, std::move(handler));
}

Tport::Tport(SettingsStore& store, UiServices& ui, std::unique_ptr<SerialBackend> backend, Clock& clock,
             QWidget* parent)
    : QDialog(parent), store_(store), ui_(ui), link_(std::move(backend), clock, ui) {
    BuildControls();
    // A failed open or configuration sets the port to 0; the list shows it without running cb_comChange.
    link_.line.SetPortResetHandler([this] { cb_com->setCurrentIndex(0); });
    FormCreate();
}

Tport::~Tport() {
    link_.line.SetPortResetHandler(nullptr);
}

int Tport::SelectedPort() const {
    return cb_com->currentIndex();
}

int Tport::ShowModal() {
    FormShow();
    return exec() == QDialog::Accepted ? kModalOk : kModalCancel;
}

void Tport::BuildControls() {
    setObjectName(QStringLiteral("port"));
    setWindowTitle(QStringLiteral("Komunikační port"));
    setAccessibleName(windowTitle());

    cb_com = DropDownList("cb_com", QStringLiteral("Nastaví komunikační linku"), this);
    cb_com->addItem(kNoPort);
    for (int n = 1; n <= kPortCount; ++n) {
        cb_com->addItem(QStringLiteral("COM %1").arg(n));
    }
    cb_baudrate = DropDownList("cb_baudrate", QString(), this);
    cb_da = DropDownList("cb_da", QStringLiteral("Nastaví adresu přístroje"), this);
    cb_sa = DropDownList("cb_sa", QStringLiteral("Nastaví adresu počítače"), this);
    for (int address = 0; address <= kHighestAddress; ++address) {
        cb_da->addItem(QString::number(address));
        cb_sa->addItem(QString::number(address));
    }

    str_tab = new QTableWidget(kTableRows, kTableColumns, this);
    str_tab->setObjectName(QStringLiteral("str_tab"));
    str_tab->setEditTriggers(QAbstractItemView::NoEditTriggers);
    str_tab->setFocusPolicy(Qt::NoFocus);
    // Only the scan marks a cell; a click cannot select another one.
    str_tab->setSelectionMode(QAbstractItemView::NoSelection);
    str_tab->setCornerButtonEnabled(false);
    str_tab->horizontalHeader()->setSectionsClickable(false);
    str_tab->verticalHeader()->setSectionsClickable(false);
    for (int address = 0; address <= kLastScannedAddress; ++address) {
        auto* item = new QTableWidgetItem();
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setTextAlignment(Qt::AlignCenter);
        str_tab->setItem(address / kTableColumns, address % kTableColumns, item);
    }

    tl_ok = Button("tl_ok", QStringLiteral("OK"), QStringLiteral("Návrat a potvrzení změn"), this);
    tl_ok->setDefault(true);
    tl_cancel = Button("tl_cancel", QStringLiteral("Storno"), QStringLiteral("Storno"), this);
    tl_najit =
        Button("tl_najit", QStringLiteral("Najít adresy"), QStringLiteral("Spustí vyhledávání adres"), this);
    tl_prerusit =
        Button("tl_prerusit", QStringLiteral("Přerušit"), QStringLiteral("Přeruší vyhledávání adres"), this);
    tl_prerusit->setEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kScanIntervalMs);

    auto* top = new QGridLayout();
    const std::pair<QString, QComboBox*> topRow[] = {{QStringLiteral("Sériová linka:"), cb_com},
                                                     {QStringLiteral("Přenosová rychlost"), cb_baudrate},
                                                     {QStringLiteral("Adresa přístroje:"), cb_da},
                                                     {QStringLiteral("Adresa počítače: "), cb_sa}};
    int column = 0;
    for (const auto& [caption, list] : topRow) {
        top->addWidget(BuddyLabel(caption, list, this), 0, column);
        top->addWidget(list, 1, column);
        ++column;
    }
    auto* buttons = new QHBoxLayout();
    for (QPushButton* button : {tl_ok, tl_cancel, tl_najit, tl_prerusit}) {
        buttons->addWidget(button);
    }
    auto* page = new QVBoxLayout(this);
    page->addLayout(top);
    page->addSpacing(fontMetrics().height() / 2);
    page->addWidget(BuddyLabel(QStringLiteral("Tabulka adres:"), str_tab, this));
    page->addWidget(str_tab, 1);
    page->addLayout(buttons);

    QWidget::setTabOrder(tl_ok, tl_cancel);
    QWidget::setTabOrder(tl_cancel, tl_najit);
    QWidget::setTabOrder(tl_najit, cb_com);
    QWidget::setTabOrder(cb_com, cb_baudrate);
    QWidget::setTabOrder(cb_baudrate, cb_da);
    QWidget::setTabOrder(cb_da, cb_sa);
    QWidget::setTabOrder(cb_sa, tl_prerusit);

    // The user's pick runs a handler; the program's own selection changes do not.
    connect(cb_com, &QComboBox::activated, this, [this] { Guarded([this] { cb_comChange(); }); });
    connect(cb_baudrate, &QComboBox::activated, this, [this] { Guarded([this] { cb_baudrateChange(); }); });
    connect(cb_da, &QComboBox::activated, this, [this] { Guarded([this] { cb_daChange(); }); });
    connect(cb_sa, &QComboBox::activated, this, [this] { Guarded([this] { cb_saChange(); }); });
    connect(tl_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(tl_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(tl_najit, &QPushButton::clicked, this, [this] { Guarded([this] { tl_najitClick(); }); });
    connect(tl_prerusit, &QPushButton::clicked, this, [this] { Guarded([this] { tl_prerusitClick(); }); });
    connect(Timer1, &QTimer::timeout, this, [this] { Guarded([this] { Timer1Timer(); }); });
}

void Tport::FormCreate() {
    SettingsSequence reads(store_);
    PortSettings& s = link_.settings;
    s.sourceAddress = InRangeOr(reads.readInt(settings::kSourceAddress), 0, kHighestAddress,
                                settings::kSourceAddress.defaultValue);
    s.destinationAddress = InRangeOr(reads.readInt(settings::kDestinationAddress), 0, kHighestAddress,
                                     settings::kDestinationAddress.defaultValue);
    s.portNumber =
        InRangeOr(reads.readInt(settings::kPortNumber), 0, kPortCount, settings::kPortNumber.defaultValue);
    const int baudRate = reads.readInt(settings::kBaudRate);
    // Any positive speed is kept (the line can run at a speed the list does not offer); no other is a speed.
    s.baudRate = baudRate > 0 ? baudRate : settings::kBaudRate.defaultValue;

    cb_sa->setCurrentIndex(s.sourceAddress);
    link_.telegrams.SetSourceAddress(static_cast<std::uint8_t>(s.sourceAddress));
    cb_da->setCurrentIndex(s.destinationAddress);
    link_.telegrams.SetDestinationAddress(static_cast<std::uint8_t>(s.destinationAddress));

    cb_baudrate->clear();
    for (int rate : kBaudRates) {
        cb_baudrate->addItem(QString::number(rate));
    }
    cb_baudrate->setCurrentIndex(cb_baudrate->findText(QString::number(s.baudRate)));

    cb_com->setCurrentIndex(s.portNumber);
    UpdatePortToolTips();

    WriteTableHeaders();

    savedSettings = s;
}

void Tport::WriteTableHeaders() {
    QStringList columns;
    for (int c = 0; c < kTableColumns; ++c) {
        columns << QStringLiteral("x") + QString::number(c, 16).toUpper();
    }
    QStringList rows;
    for (int r = 0; r < kTableRows; ++r) {
        rows << QString::number(r) + QStringLiteral("x");
    }
    str_tab->setHorizontalHeaderLabels(columns);
    str_tab->setVerticalHeaderLabels(rows);
    // Every cell shows an address of up to three digits, and the whole table fits without scrolling.
    const int cellWidth = fontMetrics().horizontalAdvance(QStringLiteral("127")) + fontMetrics().height();
    const int cellHeight = fontMetrics().height() + fontMetrics().height() / 2;
    for (QHeaderView* header : {str_tab->horizontalHeader(), str_tab->verticalHeader()}) {
        header->setSectionResizeMode(QHeaderView::Stretch);
    }
    str_tab->horizontalHeader()->setMinimumSectionSize(cellWidth);
    str_tab->verticalHeader()->setMinimumSectionSize(cellHeight);
    const int frame = 2 * str_tab->frameWidth();
    // The minimum size holds every cell, so no scroll bar is ever needed (one shown at the minimum size
    // would take the room of the last row and column and keep the other one shown).
    str_tab->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    str_tab->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    str_tab->setMinimumSize(
        str_tab->verticalHeader()->sizeHint().width() + kTableColumns * cellWidth + frame,
        str_tab->horizontalHeader()->sizeHint().height() + kTableRows * cellHeight + frame);
}

void Tport::UpdatePortToolTips() {
    // "COM n" may stand for a configured device or a line on the network; the item's tool tip names it.
    const PortDeviceLookup lookup = store_.DeviceLookup();
    for (int n = 1; n <= kPortCount; ++n) {
        const std::optional<std::string> path = ShownDeviceForPort(n, lookup);
        cb_com->setItemData(n, path ? QVariant(PlainToolTip(QString::fromStdString(*path))) : QVariant(),
                            Qt::ToolTipRole);
    }
}

void Tport::FormShow() {
    Guarded([this] {
        if (!link_.line.Open(link_.settings.portNumber)) {
            throw link_.line.OpenFailure();
        }
    });
    // The address change may have moved the link to another instrument address since the last showing.
    link_.settings.destinationAddress = link_.telegrams.DestinationAddress();
    cb_da->setCurrentIndex(link_.settings.destinationAddress);
    savedSettings = link_.settings;
    UpdatePortToolTips();
}

void Tport::FormClose() {
    SettingsSequence writes(store_);
    PortSettings& s = link_.settings;
    writes.writeInt(settings::kSourceAddress, s.sourceAddress);
    writes.writeInt(settings::kDestinationAddress, s.destinationAddress);
    writes.writeInt(settings::kBaudRate, s.baudRate);
    if (s.portNumber == 0) {
        s.portNumber = 1;
    }
    writes.writeInt(settings::kPortNumber, s.portNumber);
}

void Tport::cb_comChange() {
    link_.settings.portNumber = cb_com->currentIndex();
    if (link_.settings.portNumber > 0) {
        link_.line.Close();
        if (!link_.line.Open(link_.settings.portNumber)) {
            throw link_.line.OpenFailure();
        }
    }
}

void Tport::cb_baudrateChange() {
    const int index = cb_baudrate->currentIndex();
    if (index >= 0) {
        link_.settings.baudRate = cb_baudrate->itemText(index).toInt();
    }
    link_.line.ApplySettings();
}

void Tport::cb_daChange() {
    const int index = cb_da->currentIndex();
    if (index >= 0) {
        link_.settings.destinationAddress = index;
        link_.telegrams.SetDestinationAddress(static_cast<std::uint8_t>(index));
    }
}

void Tport::cb_saChange() {
    const int index = cb_sa->currentIndex();
    if (index >= 0) {
        link_.settings.sourceAddress = index;
        link_.telegrams.SetSourceAddress(static_cast<std::uint8_t>(index));
    }
}

void Tport::tl_najitClick() {
    SetScanControls(true);
    for (int address = 0; address <= kLastScannedAddress; ++address) {
        SetCell(address, kCellBlank);
    }
    str_tab->setAccessibleDescription(kNothingFound);
    scanAddress = 0;
    Timer1->start();
}

void Tport::tl_prerusitClick() {
    Timer1->stop();
    SetScanControls(false);
}

void Tport::Timer1Timer() {
    if (scanAddress < 0 || scanAddress > kLastScannedAddress) {
        return;
    }
    if (scanAddress == 0) {
        SetCell(0, kCellProbed);
    } else if (CellText(scanAddress - 1) == kCellProbed) {
        SetCell(scanAddress - 1, kCellBlank);
    }
    const int row = scanAddress / kTableColumns;
    const int column = scanAddress % kTableColumns;
    str_tab->setCurrentCell(row, column);
    str_tab->selectionModel()->select(str_tab->model()->index(row, column),
                                      QItemSelectionModel::ClearAndSelect);
    // The probe blocks until its answer or time-out: show which address it is waiting for.
    str_tab->viewport()->repaint();

    const bool answered = ProbeStation(link_.device, static_cast<std::uint8_t>(scanAddress));
    SetCell(scanAddress, answered ? QString::number(scanAddress) : kCellProbed);
    if (answered) {
        // The table's description lists what the scan has found so far, so that a screen reader need not
        // walk 128 cells for it.
        const QString found = str_tab->accessibleDescription();
        str_tab->setAccessibleDescription(found == kNothingFound
                                              ? kFoundCaption + QString::number(scanAddress)
                                              : found + QStringLiteral(", ") + QString::number(scanAddress));
    }

    ++scanAddress;
    if (scanAddress > kLastScannedAddress) {
        Timer1->stop();
        SetScanControls(false);
    }
}

void Tport::tl_cancelClick() {
    if (link_.settings == savedSettings) {
        return;
    }
    const MessageAnswer answer =
        ui_.ShowMessage("Byly provedeny změny v nastavení.\nOpravdu se chceš vrátit k původnímu nastavení?",
                        "Dotaz", MessageIcon::Question, MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes) {
        savedSettings = link_.settings;
        return;
    }
    RestoreSavedSettings();
}

void Tport::RestoreSavedSettings() {
    const PortSettings saved = savedSettings;
    PortSettings& s = link_.settings;
    // Each step is reported on its own, so a port that no longer opens does not keep the other changes.
    bool lineRestored = true;
    if (s.portNumber != saved.portNumber) {
        cb_com->setCurrentIndex(saved.portNumber);
        lineRestored = Guarded([this] { cb_comChange(); });
    }
    if (s.baudRate != saved.baudRate) {
        cb_baudrate->setCurrentIndex(cb_baudrate->findText(QString::number(saved.baudRate)));
        s.baudRate = saved.baudRate;
        // After a failed port the line is closed: the speed applies at the next open, without a second box.
        if (lineRestored) {
            Guarded([this] { cb_baudrateChange(); });
        }
    }
    if (s.destinationAddress != saved.destinationAddress) {
        cb_da->setCurrentIndex(saved.destinationAddress);
        cb_daChange();
    }
    if (s.sourceAddress != saved.sourceAddress) {
        cb_sa->setCurrentIndex(saved.sourceAddress);
        cb_saChange();
    }
}

void Tport::reject() {
    if (Timer1->isActive()) {
        tl_prerusitClick();
    }
    Guarded([this] { tl_cancelClick(); });
    QDialog::reject();
}

void Tport::done(int result) {
    if (Timer1->isActive()) {
        tl_prerusitClick();
    }
    Guarded([this] { FormClose(); });
    QDialog::done(result);
}

void Tport::closeEvent(QCloseEvent* event) {
    if (isVisible()) {
        done(QDialog::Rejected);  // stops a running scan first, then stores the settings as shown
    }
    event->accept();
}

void Tport::keyPressEvent(QKeyEvent* event) {
    // Escape is the "Storno" button, which a running scan disables.
    if (event->matches(QKeySequence::Cancel) && !tl_cancel->isEnabled()) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void Tport::hideEvent(QHideEvent* event) {
    // However the dialog is hidden, no probe runs while it is off screen (a minimised window keeps scanning).
    if (!event->spontaneous() && Timer1->isActive()) {
        tl_prerusitClick();
    }
    QDialog::hideEvent(event);
}

void Tport::SetScanControls(bool scanning) {
    QWidget* focused = focusWidget();
    const std::initializer_list<QWidget*> idle = {tl_ok, tl_cancel, tl_najit,   cb_sa,
                                                  cb_da, cb_com,    cb_baudrate};
    if (scanning) {
        tl_prerusit->setEnabled(true);
        for (QWidget* w : idle) {
            w->setEnabled(false);
        }
        if (focused != nullptr && !focused->isEnabled()) {
            tl_prerusit->setFocus();
        }
    } else {
        for (QWidget* w : idle) {
            w->setEnabled(true);
        }
        tl_prerusit->setEnabled(false);
        if (focused == tl_prerusit) {
            tl_najit->setFocus();
        }
    }
}

void Tport::SetCell(int address, const QString& text) {
    str_tab->item(address / kTableColumns, address % kTableColumns)->setText(text);
}

QString Tport::CellText(int address) const {
    return str_tab->item(address / kTableColumns, address % kTableColumns)->text();
}

}  // namespace zt30
