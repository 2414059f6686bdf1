#include "protocol/status.h"

namespace tavrin::protocol {

const StatusReport* statusReport(std::string_view code) {
    for (const StatusReport& report : kStatusReports)
        if (report.code == code) return &report;
    return nullptr;
}

const DisplayModeReport* displayModeReport(std::string_view code) {
    for (const DisplayModeReport& report : kDisplayModes)
        if (report.code == code) return &report;
    return nullptr;
}

const DisplayModeReport* displayModeReport(DisplayMode mode) {
    for (const DisplayModeReport& report : kDisplayModes)
        if (report.mode == mode) return &report;
    return nullptr;
}

}  // namespace tavrin::protocol
