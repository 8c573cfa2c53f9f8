#include "config/address_dialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "config/dialog_parts_qt.h"
#include "config/edit_routines_qt.h"
#include "link/error_display.h"
#include "link/instrument_tasks.h"

namespace zt30 {

namespace {

constexpr int kAddressTable = 5;
constexpr char kErrorCaption[] = "CHYBA";

QPushButton* Button(const char* name, const QString& caption, QWidget* parent) {
    QPushButton* button = NamedButton(name, caption, parent);
    button->setFont(BoldFont(button->font()));
    // No default button: Enter in the edit neither writes nor closes, Enter on a focused button presses it.
    TakeEnterWhenFocused(*button);
    return button;
}

}  // namespace

TZmenaAdresy::TZmenaAdresy(InstrumentLink& link, UiServices& ui, QWidget* parent)
    : QDialog(parent), link_(link), ui_(ui) {
    BuildControls();
}

TZmenaAdresy::~TZmenaAdresy() = default;

void TZmenaAdresy::BuildControls() {
    setObjectName(QStringLiteral("ZmenaAdresy"));
    setWindowTitle(QStringLiteral("Dialog změna adresy"));
    setAccessibleName(windowTitle());

    Label1 = PlainLabel("Label1", QStringLiteral("Adresa přístroje"), this, true);
    ed_adr = new QLineEdit(QStringLiteral("0"), this);
    ed_adr->setObjectName(QStringLiteral("ed_adr"));
    ed_adr->setFont(BoldFont(ed_adr->font()));
    ed_adr->setAccessibleName(Label1->text());
    Label1->setBuddy(ed_adr);

    tl_write = Button("tl_write", QStringLiteral("Zápis"), this);
    tl_read = Button("tl_read", QStringLiteral("Čtení"), this);
    tl_cancel = Button("tl_cancel", QStringLiteral("Zpět"), this);
    auto* buttons = new QHBoxLayout();
    for (QPushButton* button : {tl_write, tl_read, tl_cancel}) {
        buttons->addWidget(button);
    }
    auto* page = new QVBoxLayout(this);
    page->addWidget(Label1);
    page->addWidget(ed_adr);
    page->addSpacing(fontMetrics().height() / 2);
    page->addLayout(buttons);
    MakeFixedDialog(*this);

    connect(tl_write, &QPushButton::clicked, this, [this] { RunHandler(ui_, [this] { tl_writeClick(); }); });
    connect(tl_read, &QPushButton::clicked, this, [this] { RunHandler(ui_, [this] { tl_readClick(); }); });
    connect(tl_cancel, &QPushButton::clicked, this, &TZmenaAdresy::tl_cancelClick);
}

int TZmenaAdresy::ShowModal() {
    return exec() == QDialog::Accepted ? kModalOk : kModalCancel;
}

void TZmenaAdresy::tl_readClick() {
    if (!link_.device.ReadTable(kAddressTable)) {
        ui_.ShowMessage("Chyba při čtení", kErrorCaption, MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    ed_adr->setText(QString::number(link_.image.address));
}

void TZmenaAdresy::tl_writeClick() {
    std::uint8_t newAddress = 0;
    if (EditToAddress(*ed_adr, newAddress, ui_) != 0) {
        return;
    }
    if (ChangeAddress(link_.device, link_.clock(), newAddress, AddressReadBack::Off) !=
        AddressChange::Changed) {
        ui_.ShowMessage("Chyba při zápisu", kErrorCaption, MessageIcon::Exclamation, MessageButtons::Ok);
    }
}

void TZmenaAdresy::tl_cancelClick() {
    reject();
}

}  // namespace zt30
