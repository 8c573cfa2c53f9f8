// The identification dialog `about_ident` "Identifikace": the maker of the instrument family and the type and
// version texts the connected instrument reports. One second after each showing (so the dialog is on screen
// first) it asks the instrument once; texts from the instrument are decoded from its code page and shown as
// plain text. A device of another kind is named in an "ERROR" box. The caller opens the line around
// ShowModal.
#pragma once

#include <QDialog>

#include "link/instrument_link.h"

class QLabel;
class QPushButton;
class QTimer;

namespace zt30 {

class Tabout_ident final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tabout_ident)

public:
    // Delay from the showing to the identification.
    static constexpr int kIdentifyDelayMs = 1000;

    // link: the instrument (identification reads, and the clock for the pauses between them). link and ui
    // must outlive the dialog.
    Tabout_ident(InstrumentLink& link, UiServices& ui, QWidget* parent = nullptr);
    ~Tabout_ident() override;

    // Runs the dialog modally (its showing starts Timer1); kModalOk for "OK", kModalCancel for the close
    // box. The line must be open.
    int ShowModal();

    // Starts the one-shot Timer1; run by every showing.
    void FormShow();
    // Stops Timer1 and runs Identify once.
    void Timer1Timer();
    // Type and version reads; after both failed, the unchecked read that recognises a device of another
    // kind. Failed reads leave the labels as they are.
    void Identify();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();

    InstrumentLink& link_;
    UiServices& ui_;

    QLabel* ProgramIcon = nullptr;
    QLabel* Label1a = nullptr;
    QLabel* Label2a = nullptr;
    QLabel* lb_internet = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* lb_zarizeni = nullptr;
    QLabel* lb_verze = nullptr;
    QPushButton* OKButton = nullptr;
    QTimer* Timer1 = nullptr;
};

}  // namespace zt30
