// Joins the measured-values window to the windows it serves and reads: the main window's reading cycle and
// save command reach GridMeas through the MeasurementRecord seam, and GridMeas reads the main window's panel
// texts, recording flag and record file name, the recording interval dialog's interval and the wall clock
// through RecordSources. Created by the program once all three windows exist.
#pragma once

#include "app/main_window.h"
#include "app/wall_clock.h"
#include "views/measured_values_window.h"

namespace zt30 {

class Tfile_sampling;

class RecordBinding final : public MeasurementRecord, public RecordSources {
public:
    // All four must outlive the binding.
    RecordBinding(Tzantor30& main, TGridMeas& grid, const Tfile_sampling& sampling, WallClock& clock);

    void addSample() override;
    void startRecord() override;

    std::string MeasText() override;
    std::string SumText() override;
    bool Recording() override;
    std::string RecordFileName() override;
    std::int32_t Interval() override;
    LocalDateTime Now() override;

private:
    Tzantor30& main_;
    TGridMeas& grid_;
    const Tfile_sampling& sampling_;
    WallClock& clock_;
};

}  // namespace zt30
