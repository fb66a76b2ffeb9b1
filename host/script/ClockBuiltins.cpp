// The wall clock in the script language: localTime, getLocalTime and getUniversalTime.
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"

#include <chrono>
#include <ctime>
#include <vector>

namespace {

// #(year, month, day of the week (Sunday 1), day, hour, minute, second, milliseconds), the host's order.
Value ClockFields(bool local) {
    const auto now = std::chrono::system_clock::now();
    const std::time_t t = std::chrono::system_clock::to_time_t(now);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
    std::tm tm{};
    if (local) localtime_r(&t, &tm);
    else gmtime_r(&t, &tm);
    std::vector<Value> fields;
    for (int f : {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_wday + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec})
        fields.push_back(Value::Int(f));
    fields.push_back(Value::Int(ms));
    return Value::Array(std::move(fields));
}

} // namespace

void RegisterClockBuiltins(Interpreter& in) {
    in.RegisterGlobalAccessor(L"localTime", [](Interpreter&) { return Value::String(FormatHostDate(std::time(nullptr))); });
    in.RegisterFunction(L"getLocalTime", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getLocalTime", a, 0);
        return ClockFields(true);
    });
    in.RegisterFunction(L"getUniversalTime", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getUniversalTime", a, 0);
        return ClockFields(false);
    });
}
