#include "subhost/diagnostics.h"

namespace subhost {

std::vector<std::string> TraceLog::Lines() const {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end = text_.find('\n'); end != std::string::npos;
         end = text_.find('\n', start)) {
        lines.push_back(text_.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

void FaultPlan::Fail(std::string suite, std::string call, ASErr code, int nth) {
    faults_.push_back({std::move(suite), std::move(call), code, nth, 0});
}

void FaultPlan::NullOut(std::string suite, std::string call, int nth) {
    faults_.push_back({std::move(suite), std::move(call), 0, nth, 0, true});
}

bool FaultPlan::OnCallNullOut(std::string_view suite, std::string_view call) {
    for (Fault& fault : faults_) {
        if (fault.nullOut && fault.suite == suite && fault.call == call && fault.seen < fault.nth) {
            if (++fault.seen == fault.nth) {
                return true;
            }
        }
    }
    return false;
}

std::optional<ASErr> FaultPlan::OnCall(std::string_view suite, std::string_view call) {
    for (Fault& fault : faults_) {
        if (!fault.nullOut && fault.suite == suite && fault.call == call &&
            fault.seen < fault.nth) {
            if (++fault.seen == fault.nth) {
                return fault.code;
            }
        }
    }
    return std::nullopt;
}

}  // namespace subhost
