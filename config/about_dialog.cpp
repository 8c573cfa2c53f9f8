#include "config/about_dialog.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>
#include <utility>

#include "config/dialog_parts_qt.h"
#include "config/program_version.h"
#include "link/ui_services.h"

namespace zt30 {

TAboutBox::TAboutBox(QWidget* parent, VersionLookup versionLookup) : QDialog(parent) {
    BuildControls();
    FormCreate(versionLookup ? versionLookup : VersionLookup(&ProgramVersion));
}

TAboutBox::~TAboutBox() = default;

void TAboutBox::BuildControls() {
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("O aplikaci"));
    setAccessibleName(windowTitle());

    QFrame* panel = RaisedPanel(this);
    ProgramIcon = ProgramIconLabel(panel);

    ProductName = PlainLabel("ProductName", QStringLiteral("Název produktu"), panel);
    Label6 = PlainLabel("Label6", QStringLiteral("ZT-30"), panel, true);
    LabelCompName = PlainLabel("LabelCompName", QStringLiteral("Název firmy"), panel);
    LabelCompany = PlainLabel("LabelCompany", QStringLiteral("ORVIT"), panel, true);
    Label1 = PlainLabel("Label1", QStringLiteral("Verze"), panel);
    Label5 = PlainLabel("Label5", QString(), panel, true);
    for (auto [caption, value] : {std::pair{ProductName, Label6}, std::pair{LabelCompName, LabelCompany},
                                  std::pair{Label1, Label5}}) {
        value->setAccessibleDescription(caption->text());
    }
    auto* bevel = new QFrame(panel);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameStyle(QFrame::HLine | QFrame::Raised);
    Label4 = PlainLabel("Label4", QStringLiteral("Minimální systémové požadavky"), panel);
    const std::pair<const char*, QString> requirements[] = {
        {"Label2", QStringLiteral("-CPU Pentium 266 MHz nebo vyšší")},
        {"Label3", QStringLiteral("-Microsoft Windows 95/98/ME/2000 nebo vyšší")},
        {"Label7", QStringLiteral("-3 MB volného místa na pevném disku")},
        {"Label8", QStringLiteral("-Systémová paměť 64 MB (128 MB doporučeno)")},
        {"Label9", QStringLiteral("-VGA nebo vyšší rozlišení")}};
    Label10 = PlainLabel("Label10", QStringLiteral("komunikace s ZANTOR 30"), panel);

    auto* grid = new QGridLayout(panel);
    grid->addWidget(ProgramIcon, 0, 0, 3, 1, Qt::AlignTop);
    int row = 0;
    for (auto [caption, value] : {std::pair{ProductName, Label6}, std::pair{LabelCompName, LabelCompany},
                                  std::pair{Label1, Label5}}) {
        grid->addWidget(caption, row, 1);
        grid->addWidget(value, row, 2);
        ++row;
    }
    grid->setColumnMinimumWidth(2, fontMetrics().horizontalAdvance(QStringLiteral("Verze 20.20.20.20")));
    grid->addWidget(bevel, row++, 0, 1, 3);
    grid->addWidget(Label4, row++, 0, 1, 3);
    for (const auto& [name, text] : requirements) {
        grid->addWidget(PlainLabel(name, text, panel), row++, 0, 1, 3);
    }
    grid->setRowMinimumHeight(row++, fontMetrics().height() / 2);
    grid->addWidget(Label10, row, 0, 1, 3);

    OKButton = NamedButton("OKButton", QStringLiteral("OK"), this);
    OKButton->setDefault(true);

    auto* page = new QVBoxLayout(this);
    page->addWidget(panel);
    page->addWidget(OKButton, 0, Qt::AlignHCenter);
    MakeFixedDialog(*this);

    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
}

void TAboutBox::FormCreate(const VersionLookup& versionLookup) {
    Label5->clear();
    if (const std::optional<std::string> version = versionLookup()) {
        Label5->setText(QStringLiteral("Verze ") + QString::fromStdString(*version));
    }
}

int TAboutBox::ShowModal() {
    return exec() == QDialog::Accepted ? kModalOk : kModalCancel;
}

void TAboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        if (!testAttribute(Qt::WA_Moved)) {
            CentreOnScreen(*this);  // the first showing; later ones keep where the operator left it
        }
        ShowProgramIcon(*ProgramIcon, *this);
    }
}

}  // namespace zt30
