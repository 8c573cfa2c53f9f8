#include "app/record_binding.h"

#include "views/recording_interval_dialog.h"

namespace zt30 {

RecordBinding::RecordBinding(Tzantor30& main, TGridMeas& grid, const Tfile_sampling& sampling,
                             WallClock& clock)
    : main_(main), grid_(grid), sampling_(sampling), clock_(clock) {}

void RecordBinding::addSample() {
    grid_.addSample();
}

void RecordBinding::startRecord() {
    grid_.startRecord();
}

std::string RecordBinding::MeasText() {
    return main_.MeasText();
}

std::string RecordBinding::SumText() {
    return main_.SumText();
}

bool RecordBinding::Recording() {
    return main_.Recording();
}

std::string RecordBinding::RecordFileName() {
    return main_.RecordFileName();
}

std::int32_t RecordBinding::Interval() {
    return sampling_.Interval();
}

LocalDateTime RecordBinding::Now() {
    return clock_.Now().local;
}

}  // namespace zt30
