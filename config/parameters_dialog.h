// The parameters dialog `Form_menu` "Parametry ZANTOR 30": every settable parameter of the instrument (FUNC,
// DP, FACTOR, SCALE, OFFSET, SP.LO, SP.HI, HYSTER, FILTR, AN.LO, AN.HI and the six CONFIG switches). It holds
// no values of its own: its controls are filled from the link's DeviceImage after reading tables 1 to 4, and
// written back into it before those tables are written. The caller opens the line around ShowModal.
// "Uložit..." saves the controls' values to a parameter file and "Načíst..." fills them from one; neither
// talks to the instrument nor changes the DeviceImage, which holds only what the instrument sent or was sent.
// "Zápis" asks first when a parameter shows neither the instrument's value nor a file's.
#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/param_table.h"
#include "link/instrument_link.h"
#include "link/instrument_tasks.h"

class QButtonGroup;
class QComboBox;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace zt30 {

class TForm_menu final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TForm_menu)

public:
    // link: the instrument (device operations, image, and the clock for the pauses); decimalSeparator: the
    // regional separator of the decimal texts. link and ui must outlive the dialog.
    TForm_menu(InstrumentLink& link, UiServices& ui, char decimalSeparator, QWidget* parent = nullptr);
    ~TForm_menu() override;

    // Shows the dialog, reads tables 1 to 4 into it (tl_readClick) once it has been painted, and runs it
    // modally until "Zpět", Enter or the close box; kModalOk or kModalCancel. The line must be open.
    int ShowModal();

    // "Čtení": reads tables 1 to 4 (one "Chyba při čtení" box when any failed), then ShowParams in every
    // case.
    void tl_readClick();
    // "Zápis": CollectParams, then writes tables 1 to 4 (one "Chyba při zápisu" box when any failed);
    // nothing is written when an entry is rejected. When a parameter was neither read from the instrument
    // since the dialog opened nor loaded from a file, a question names it first; No writes nothing and
    // leaves the DeviceImage as it was.
    void tl_writeClick();
    // "Uložit...": checks the entries as CollectParams does, then (when none was rejected) asks for a file
    // and saves the values with the date, the bus address and the identification texts the image holds.
    // Nothing is sent and the DeviceImage is not changed.
    void tl_saveClick();
    // "Načíst...": asks for a parameter file and fills the controls it names; a refused file shows its line
    // and reason and changes nothing. Nothing is sent until "Zápis".
    void tl_loadClick();
    // Fills every control from the DeviceImage.
    void ShowParams();
    // Stores every control into the DeviceImage; non-zero when at least one entry was rejected (each
    // rejection has shown its box and reset its field and edit).
    int CollectParams();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void BuildControls();
    // CollectParams into any image: the link's before a write, a copy for a file.
    int CollectParamsInto(DeviceImage& image);
    // The captions of the parameters whose controls show neither the instrument's values nor a file's.
    std::vector<std::string_view> ParamsNotRead() const;
    // true when every parameter is known, or the operator answers Yes to writing them all the same.
    bool ConfirmWriteOfUnread();
    void StartProgress();
    void StepProgress();
    // After each table of a transfer: marks it known when it went through, and steps the progress bar.
    TableProgress AfterTable();
    void EndProgress();
    // Shows one value of a parameter file in its control.
    void ShowSetting(const ParamSetting& setting);
    QLineEdit* FloatEdit(float DeviceImage::*field) const;
    QComboBox* ListOf(std::uint8_t DeviceImage::*field) const;
    FileDialogRequest FileRequest(const char* title) const;

    InstrumentLink& link_;
    UiServices& ui_;
    char separator_;

    QComboBox* cb_func = nullptr;
    QComboBox* cb_dp = nullptr;
    QComboBox* cb_factor = nullptr;
    QLineEdit* ed_scale = nullptr;
    QLineEdit* ed_offset = nullptr;
    QLineEdit* ed_sp_lo = nullptr;
    QLineEdit* ed_sp_hi = nullptr;
    QLineEdit* ed_hyster = nullptr;
    QLineEdit* ed_filtr = nullptr;
    QLineEdit* ed_an_lo = nullptr;
    QLineEdit* ed_an_hi = nullptr;
    // The CONFIG switches in bit order: rg_vstup (bit 0) to rg_aout (bit 5); button id = item index.
    std::array<QButtonGroup*, 6> configSwitches_{};
    QPushButton* tl_read = nullptr;
    QPushButton* tl_write = nullptr;
    QPushButton* tl_save = nullptr;
    QPushButton* tl_load = nullptr;
    QPushButton* tl_exit = nullptr;
    QProgressBar* bar_load = nullptr;
    std::string fileName_;      // the parameter file last saved or loaded: where the file dialogs start
    bool readPending_ = false;  // ShowModal's read, started once the dialog has been painted
    // Tables 1 to 4 the instrument has sent or taken since the dialog opened.
    std::array<bool, kParamTables.size()> tablesKnown_{};
    // Bit i: AllParams()[i] was loaded from a file since the controls were last filled from the image.
    std::uint32_t loadedFromFile_ = 0;
};

}  // namespace zt30
