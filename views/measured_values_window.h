// The measured-values window GridMeas ("Naměřené hodnoty"): the table of samples in a read-only grid, and the
// record file. The reading cycle calls addSample after every reading and the save command calls startRecord;
// at each sample the window reads, through RecordSources, the main window's panel texts, its recording flag
// and file name, the recording interval and the local time, fills a row and, while recording, appends that
// row's line to the record file. The table fills whether or not the window is shown.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

#include "config/regional_settings.h"
#include "link/ui_services.h"
#include "views/measured_values_model.h"
#include "views/record_file.h"

class QAction;
class QTableView;

namespace zt30 {

// What a sample reads from the other windows and the clock at the moment it is taken.
class RecordSources {
public:
    virtual ~RecordSources() = default;
    // The texts of the measured-value and sum panels exactly as shown.
    virtual std::string MeasText() = 0;
    virtual std::string SumText() = 0;
    // Whether a record file has been chosen in this run, and the name the save dialog holds (UTF-8).
    virtual bool Recording() = 0;
    virtual std::string RecordFileName() = 0;
    // The recording interval in seconds (calls of addSample); 0 or below samples at every call.
    virtual std::int32_t Interval() = 0;
    virtual LocalDateTime Now() = 0;
};

// The box of a record file that cannot be opened or written.
inline constexpr char kCannotOpenRecordFile[] = "Nemůže otevřít výstupní soubor";
inline constexpr char kRecordErrorCaption[] = "CHYBA";

class TGridMeas final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TGridMeas)

public:
    // Builds the window with its headings; the date and time texts follow regional. ui must outlive it.
    TGridMeas(UiServices& ui, const RegionalSettings& regional, std::unique_ptr<RecordFileSystem> files,
              QWidget* parent = nullptr);
    ~TGridMeas() override;

    // Where samples read from; set before the first addSample (without it a call takes no sample).
    void SetSources(RecordSources* sources);

    // A record file was chosen: the next addSample takes a sample at once.
    void startRecord();
    // One call per reading of automatic reading: every interval-th call fills a row from the sources and,
    // while recording, appends the row's line to the record file.
    void addSample();
    // Appends the line of sample row `row` (1 to 399) to the record file, after the lines kept from earlier
    // failures; a failure shows "Nemůže otevřít výstupní soubor" (never a second box while one is open)
    // and keeps the line for the next sample.
    void appendRowToFile(int row);

    // Shows the window modally until "&Konec" or the close box; kModalOk or kModalCancel.
    int ShowModal();
    // "&Konec": ends the modal showing with result 1.
    void Konec1Click();

    const MeasuredValuesTable& Table() const { return model_->Table(); }
    const RecordFile& Record() const { return record_; }

private:
    void BuildControls();

    UiServices& ui_;
    RegionalSettings regional_;
    std::unique_ptr<RecordFileSystem> files_;
    RecordFile record_;
    RecordSources* sources_ = nullptr;
    // A failure box is open: samples taken meanwhile (its nested loop runs the timer) keep their lines
    // without a second box.
    bool boxOpen_ = false;

    MeasuredValuesModel* model_ = nullptr;
    QTableView* Grid = nullptr;
    QAction* Konec1 = nullptr;
};

}  // namespace zt30
