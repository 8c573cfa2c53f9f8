// The measured-values window GridMeas ("Naměřené hodnoty"): the table of samples in a read-only grid, and the
// boxes of the record file. It owns the measurement recorder: the reading cycle hands it the texts of every
// reading as shown, the local time and the interval, the save command starts the record. A box the recorder
// asks for is shown once the event loop is back, never inside the reading that caused it, so readings go on
// while it is open. The table fills whether or not the window is shown.
#pragma once

#include <QDialog>
#include <cstdint>
#include <memory>
#include <string>

#include "config/regional_settings.h"
#include "link/ui_services.h"
#include "views/measured_values_model_qt.h"
#include "views/measurement_recorder.h"

class QAction;
class QTableView;

namespace zt30 {

// The save dialog of a record file: "Data ukládat do.." and the file for lines left at the end.
FileDialogRequest RecordFileRequest(const std::string& fileName);

class TGridMeas final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TGridMeas)

public:
    // Builds the window with its headings; the date and time texts follow regional. ui must outlive it.
    TGridMeas(UiServices& ui, const RegionalSettings& regional, std::unique_ptr<RecordFileSystem> files,
              QWidget* parent = nullptr);
    ~TGridMeas() override;

    // A record file was chosen (path in UTF-8): the next addSample takes a sample at once.
    void startRecord(std::int32_t interval, const std::string& path);
    // One call per reading of automatic reading, with the texts just shown, the local time and the
    // recording interval (MeasurementRecorder::addSample); a box it calls for comes after the caller returns.
    RecordOutcome addSample(const std::string& valueText, const std::string& sumText,
                            const LocalDateTime& now, std::int32_t interval);
    // The end of the run: one last attempt to write the kept lines. When they still cannot be written, says
    // how many and offers another file for them, until they are written or the operator closes anyway.
    void FinishRecord();

    // Shows the window modally until "&Konec" or the close box; kModalOk or kModalCancel.
    int ShowModal();
    // "&Konec": ends the modal showing with result 1.
    void Konec1Click();

    const MeasuredValuesTable& Table() const { return recorder_.Table(); }
    const MeasurementRecorder& Recorder() const { return recorder_; }

private:
    void BuildControls();
    // Shows the box of message from the event loop, after the current handler has returned.
    void ShowLater(RecordMessage message, std::uint64_t droppedLines);

    UiServices& ui_;
    std::unique_ptr<RecordFileSystem> files_;
    MeasurementRecorder recorder_;

    MeasuredValuesModel* model_ = nullptr;
    QTableView* Grid = nullptr;
    QAction* Konec1 = nullptr;
};

}  // namespace zt30
