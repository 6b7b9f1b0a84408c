#include "subhost/diagnostics.h"

#include <algorithm>
#include <stdexcept>

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
    faults_.push_back({std::move(suite), std::move(call), code, nth, 0, Kind::Fail});
}

void FaultPlan::NullOut(std::string suite, std::string call, int nth) {
    faults_.push_back({std::move(suite), std::move(call), 0, nth, 0, Kind::NullOut});
}

void FaultPlan::EchoOut(std::string suite, std::string call, int nth) {
    faults_.push_back({std::move(suite), std::move(call), 0, nth, 0, Kind::EchoOut});
}

bool FaultPlan::Due(Kind kind, std::string_view suite, std::string_view call, ASErr* code) {
    for (Fault& fault : faults_) {
        if (fault.kind == kind && fault.suite == suite && fault.call == call &&
            fault.seen < fault.nth && ++fault.seen == fault.nth) {
            if (code != nullptr) {
                *code = fault.code;
            }
            return true;
        }
    }
    return false;
}

bool FaultPlan::OnCallNullOut(std::string_view suite, std::string_view call) {
    return Due(Kind::NullOut, suite, call);
}

bool FaultPlan::OnCallEchoOut(std::string_view suite, std::string_view call) {
    return !faults_.empty() && Due(Kind::EchoOut, suite, call);
}

std::optional<ASErr> FaultPlan::OnCall(std::string_view suite, std::string_view call) {
    ASErr code = 0;
    if (Due(Kind::Fail, suite, call, &code)) {
        return code;
    }
    return std::nullopt;
}

const CallRecord& CallLog::operator[](std::size_t index) const {
    if (index < firstKept() || index >= total_) {
        throw std::out_of_range("the record of host call " + std::to_string(index) +
                                " is not kept");
    }
    return kept_[index - firstKept()];
}

CallRecord* CallLog::Find(std::size_t index) {
    if (index < firstKept() || index >= total_) {
        return nullptr;
    }
    return &kept_[index - firstKept()];
}

std::vector<CallRecord> CallLog::Since(std::size_t index) const {
    const std::size_t from = std::max(index, firstKept()) - firstKept();
    if (from >= kept_.size()) {
        return {};
    }
    return {kept_.begin() + static_cast<std::ptrdiff_t>(from), kept_.end()};
}

void CallLog::Add(const char* suite, const char* call) {
    ++total_;
    if (limit_ == 0) {
        return;
    }
    if (kept_.size() == limit_) {
        kept_.pop_front();
    }
    kept_.push_back({suite, call});
}

void CallLog::SetLimit(std::size_t limit) {
    limit_ = limit;
    while (kept_.size() > limit_) {
        kept_.pop_front();
    }
}

}  // namespace subhost
