// The recording interval dialog file_sampling ("Záznam"): the number of seconds (calls of the reading cycle)
// between two samples of the measured-values table and the record file. The dialog owns the interval: it is
// read from the settings store (ZAZNAM SOUBOR, default 60) when the dialog is created, and a value the user
// confirms is written there at once, before the dialog closes.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>
#include <string_view>

#include "link/ui_services.h"

class QLineEdit;
class QPushButton;

namespace zt30 {

class SettingsStore;

// An operator's entry of the interval: an integer of at least 1 (leading blanks and a sign allowed, as every
// integer entry of the program); nullopt for any other text.
std::optional<std::int32_t> parseInterval(std::string_view text);

inline constexpr char kIntervalEntryError[] = "Je nutné zadávat pouze celá čísla větší než 0";

class Tfile_sampling final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Tfile_sampling)

public:
    // Runs FormCreate. store and ui must outlive the dialog.
    Tfile_sampling(SettingsStore& store, UiServices& ui, QWidget* parent = nullptr);
    ~Tfile_sampling() override;

    // The recording interval in seconds; a stored value is taken as it is, also 0 or below.
    std::int32_t Interval() const { return interval; }

    // Runs FormShow and shows the dialog modally; kModalOk after a confirmed interval, else kModalCancel.
    int ShowModal();

    // Loads the interval from the store.
    void FormCreate();
    // Shows the interval in the edit.
    void FormShow();
    // Takes the edit's interval and stores it, closing with OK; an entry that is not an integer of at
    // least 1 shows the entry error, puts "60" in the edit and keeps the dialog open.
    void tl_okClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();

    SettingsStore& store_;
    UiServices& ui_;
    std::int32_t interval = 60;

    QLineEdit* ed_zaznam = nullptr;
    QPushButton* tl_ok = nullptr;
    QPushButton* tl_cancel = nullptr;
};

}  // namespace zt30
