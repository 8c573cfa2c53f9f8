#include "config/ident_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <string>

#include "base/code_page_1250.h"
#include "config/device_texts.h"
#include "config/dialog_parts_qt.h"
#include "link/error_display.h"
#include "link/instrument_tasks.h"

namespace zt30 {

namespace {

// The instrument's bytes (its code page) as the label's text.
QString DeviceLabel(const std::string& bytes) {
    return QString::fromStdString(Windows1250ToUtf8(bytes));
}

}  // namespace

Tabout_ident::Tabout_ident(InstrumentLink& link, UiServices& ui, QWidget* parent)
    : QDialog(parent), link_(link), ui_(ui) {
    BuildControls();
}

Tabout_ident::~Tabout_ident() = default;

void Tabout_ident::BuildControls() {
    setObjectName(QStringLiteral("about_ident"));
    setWindowTitle(QStringLiteral("Identifikace"));
    setAccessibleName(windowTitle());

    QFrame* panel = RaisedPanel(this);
    ProgramIcon = ProgramIconLabel(panel);

    Label1a = PlainLabel("Label1a", QStringLiteral("Výrobce:"), panel);
    Label2a = PlainLabel("Label2a", QStringLiteral("ORVIT v.o.s."), panel, true);
    lb_internet = PlainLabel("lb_internet", QStringLiteral("www."), panel);
    Label4 = PlainLabel("Label4", QStringLiteral("orvit.cz"), panel, true);
    Label1 = PlainLabel("Label1", QStringLiteral("Načtené parametry z regulátoru:"), panel, true);
    lb_zarizeni = PlainLabel("lb_zarizeni", QString::fromUtf8(kUnknownTypeText), panel);
    lb_verze = PlainLabel("lb_verze", QString::fromUtf8(kUnknownVersionText), panel);
    // The instrument's texts wrap at blanks within a fixed width instead of widening the dialog.
    const int textWidth = fontMetrics().averageCharWidth() * 40;
    // A screen reader hears each text as the label's name, with its caption as the description.
    Label2a->setAccessibleDescription(Label1a->text());
    lb_zarizeni->setAccessibleDescription(QStringLiteral("Typ zařízení"));
    lb_verze->setAccessibleDescription(QStringLiteral("Verze zařízení"));
    for (QLabel* label : {lb_zarizeni, lb_verze}) {
        label->setWordWrap(true);
        label->setFixedWidth(textWidth);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    auto* web = new QHBoxLayout();
    web->setSpacing(0);
    web->addWidget(lb_internet);
    web->addWidget(Label4);
    web->addStretch(1);
    auto* texts = new QGridLayout(panel);
    texts->addWidget(ProgramIcon, 0, 0, 3, 1, Qt::AlignTop);
    texts->addWidget(Label1a, 0, 1);
    texts->addWidget(Label2a, 1, 1);
    texts->addLayout(web, 2, 1);
    texts->setRowMinimumHeight(3, fontMetrics().height());
    texts->addWidget(Label1, 4, 0, 1, 2);
    texts->addWidget(lb_zarizeni, 5, 0, 1, 2);
    texts->addWidget(lb_verze, 6, 0, 1, 2);

    OKButton = NamedButton("OKButton", QStringLiteral("OK"), this);
    OKButton->setFont(BoldFont(OKButton->font()));
    OKButton->setDefault(true);

    auto* page = new QVBoxLayout(this);
    page->addWidget(panel);
    page->addWidget(OKButton, 0, Qt::AlignHCenter);
    MakeFixedDialog(*this);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kIdentifyDelayMs);
    Timer1->setSingleShot(true);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(Timer1, &QTimer::timeout, this, [this] { RunHandler(ui_, [this] { Timer1Timer(); }); });
}

int Tabout_ident::ShowModal() {
    return exec() == QDialog::Accepted ? kModalOk : kModalCancel;
}

void Tabout_ident::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        if (!testAttribute(Qt::WA_Moved)) {
            CentreOnScreen(*this);  // the first showing; later ones keep where the operator left it
        }
        ShowProgramIcon(*ProgramIcon, *this);
        FormShow();
    }
}

void Tabout_ident::hideEvent(QHideEvent* event) {
    // However the dialog closes, the identification never runs after it: the line is closed by then.
    Timer1->stop();
    QDialog::hideEvent(event);
}

void Tabout_ident::FormShow() {
    Timer1->start();
}

void Tabout_ident::Timer1Timer() {
    Timer1->stop();
    Identify();
}

void Tabout_ident::Identify() {
    const Identification ident = zt30::Identify(link_.device, link_.clock());
    if (ident.typeRead) {
        lb_zarizeni->setText(DeviceLabel(ident.type));
    }
    if (ident.versionRead) {
        lb_verze->setText(DeviceLabel(ident.version));
    }
    if (!ident.foreign) {
        return;
    }
    lb_zarizeni->setText(QString::fromUtf8(kForeignDeviceText));
    lb_verze->setText(DeviceLabel(ident.foreignFields[2]));
    ui_.ShowMessage(ForeignDeviceMessage(link_.image.identForeign), "ERROR", MessageIcon::Exclamation,
                    MessageButtons::Ok);
}

}  // namespace zt30
