#include "accessible_names.h"

#include <initializer_list>

#include "window_layout.h"

namespace tavik {

namespace {
using I = TControlId;

// The labels' texts, joined as the eye reads them.
std::string Joined(std::initializer_list<TControlId> labels) {
    std::string name;
    for (TControlId label : labels) name += (name.empty() ? "" : ", ") + std::string(LayoutOf(label).Text);
    return name;
}
}  // namespace

std::string AccessibleNameOf(TControlId id) {
    switch (id) {
    case I::VXLogger_OSC: return "График";
    case I::VXLogger_LevelEdit_CH1: return Joined({I::Label1, I::VXLogger_CH1, I::VXLogger_LevelVolt_CH1});
    case I::VXLogger_LevelEdit_CH2: return Joined({I::Label1, I::VXLogger_CH2, I::VXLogger_LevelVolt_CH2});
    case I::VXLogger_CalibrateEdit: return Joined({I::VXLogger_CalibrLabel, I::VXLogger_CalibrVolt});
    case I::VXGenerator_OUT1Type: return Joined({I::VXGenerator_OUT1Label, I::VXGenerator_SourceLabel});
    case I::VXGenerator_OUT2Type: return Joined({I::VXGenerator_OUT2Label, I::VXGenerator_SourceLabel});
    case I::VXGenerator_OUT1Freq: return Joined({I::VXGenerator_OUT1Label, I::VXGenerator_FrequencyLabel, I::Label4});
    case I::VXGenerator_OUT2Freq: return Joined({I::VXGenerator_OUT2Label, I::VXGenerator_FrequencyLabel, I::Label5});
    case I::VXFrequencyMeter_FreqEdit: return Joined({I::VXFrequencyMeter_FreqLabel});
    case I::VXFrequencyMeter_CalibrateEdit: return Joined({I::VXFrequencyMeter_CalibrateLabel});
    case I::VXFrequencyMeter_PromEdit: return Joined({I::VXFrequencyMeter_PromLabel});
    default: return {};
    }
}

}  // namespace tavik
