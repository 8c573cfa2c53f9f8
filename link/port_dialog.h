// The port dialog "Komunikační port": the COM port, the line speed, the instrument's and the computer's bus
// addresses, and the bus address scan. The object lives for the whole run and owns the program's one
// InstrumentLink; its settings come from the settings store when it is created (and are handed to the
// telegram layer at once) and go back to the store each time the dialog closes. Every other window reaches
// the instrument through Link() and opens the line with SelectedPort().
#pragma once

#include <QDialog>
#include <memory>

#include "link/instrument_link.h"

class QComboBox;
class QPushButton;
class QTableWidget;
class QTimer;

namespace zt30 {

class SettingsStore;

class Tport final : public QDialog {
    Q_OBJECT

public:
    // Runs FormCreate: loads the four port settings from store, selects them in the lists and sets the link's
    // two addresses. The line stays closed. store, ui and clock must outlive the dialog.
    Tport(SettingsStore& store, UiServices& ui, std::unique_ptr<SerialBackend> backend, Clock& clock,
          QWidget* parent = nullptr);
    ~Tport() override;
    Q_DISABLE_COPY_MOVE(Tport)

    // The program's link to the instrument: settings, line, telegram layer, device image and operations.
    InstrumentLink& Link() { return link_; }
    // The port list's current entry (0 "žádný port", 1 to 8 "COM 1" to "COM 8"), the port the other windows
    // open.
    int SelectedPort() const;
    // Runs FormShow (which opens the line) and shows the dialog modally; kModalOk or kModalCancel. The line
    // is left open for the caller to close.
    int ShowModal();

    // The handlers, as the dialog's own events run them. cb_comChange and cb_baudrateChange throw
    // SerialLineError when called directly; the dialog's events run them through the error display.
    // Opens the line with the port setting (an open failure is shown in the error display and the dialog
    // still works), takes the instrument address from the link and the snapshot that "Storno" compares with.
    void FormShow();
    // Stores SA, DA, BAUDRATE and COM (port 0 becomes 1 first); the line stays open.
    void FormClose();
    void cb_comChange();
    void cb_baudrateChange();
    void cb_daChange();
    void cb_saChange();
    // Starts the scan at address 0: one probe per tick of Timer1.
    void tl_najitClick();
    // Stops the scan; the table keeps what it shows.
    void tl_prerusitClick();
    // Asks before the dialog closes with Cancel whether changed settings are to be restored, and restores
    // them on Yes.
    void tl_cancelClick();
    // Probes the address scanAddress, marks its cell and moves on; ends the scan after address 127.
    void Timer1Timer();

    // "Storno" and Escape: stops a scan, runs tl_cancelClick, closes with Cancel.
    void reject() override;
    // Every close: stops a scan (no tick runs after the dialog has closed), runs FormClose, closes.
    void done(int result) override;

protected:
    // The close box closes with Cancel and keeps the changes, without the question of "Storno".
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void BuildControls();
    void FormCreate();
    void WriteTableHeaders();
    void UpdatePortToolTips();
    void SetScanControls(bool scanning);
    void SetCell(int address, const QString& text);
    QString CellText(int address) const;
    void RestoreSavedSettings();
    // Runs a handler that may throw through the application's error display; true when it ended normally.
    template <typename Handler>
    bool Guarded(Handler handler);

    SettingsStore& store_;
    UiServices& ui_;
    InstrumentLink link_;
    PortSettings savedSettings;
    int scanAddress = 0;

    QComboBox* cb_com = nullptr;
    QComboBox* cb_baudrate = nullptr;
    QComboBox* cb_da = nullptr;
    QComboBox* cb_sa = nullptr;
    QTableWidget* str_tab = nullptr;
    QPushButton* tl_ok = nullptr;
    QPushButton* tl_cancel = nullptr;
    QPushButton* tl_najit = nullptr;
    QPushButton* tl_prerusit = nullptr;
    QTimer* Timer1 = nullptr;
};

}  // namespace zt30
