// The address change dialog `ZmenaAdresy` "Dialog změna adresy": reads the instrument's own bus address
// (table 5) and gives the instrument a new one. A write goes to the link's current instrument address and
// carries the new one; once acknowledged, the link addresses every later request to the new address. The
// edit keeps its text between openings; the caller opens the line around ShowModal.
#pragma once

#include <QDialog>

#include "link/instrument_link.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zt30 {

class TZmenaAdresy final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TZmenaAdresy)

public:
    // link: the instrument (table 5, the link's destination address, the clock for the pause after a write).
    // link and ui must outlive the dialog.
    TZmenaAdresy(InstrumentLink& link, UiServices& ui, QWidget* parent = nullptr);
    ~TZmenaAdresy() override;

    // Runs the dialog modally, reading nothing by itself; kModalCancel ("Zpět" or the close box).
    int ShowModal();

    // "Čtení": table 5 into the edit; "Chyba při čtení" when it fails, the edit unchanged.
    void tl_readClick();
    // "Zápis": the edit's address (EditToAddress) written as table 5; on the acknowledgement the link moves
    // to the new address and the dialog pauses 100 ms; "Chyba při zápisu" when it fails.
    void tl_writeClick();
    // "Zpět": closes with kModalCancel.
    void tl_cancelClick();

private:
    void BuildControls();

    InstrumentLink& link_;
    UiServices& ui_;

    QLabel* Label1 = nullptr;
    QLineEdit* ed_adr = nullptr;
    QPushButton* tl_write = nullptr;
    QPushButton* tl_read = nullptr;
    QPushButton* tl_cancel = nullptr;
};

}  // namespace zt30
