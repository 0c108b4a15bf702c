#include "UnitRow.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <system_error>

namespace record {

UnitTime UnitTime::now() {
    return at(std::chrono::system_clock::now());
}

UnitTime UnitTime::at(std::chrono::system_clock::time_point when) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&seconds, &local);
    return {std::chrono::duration_cast<std::chrono::milliseconds>(when.time_since_epoch()).count(),
            static_cast<int>(local.tm_gmtoff / 60)};
}

std::string UnitTime::text() const {
    const std::int64_t localMs = utcMs + std::int64_t{offsetMinutes} * 60'000;
    const std::time_t seconds = static_cast<std::time_t>(localMs / 1000 - (localMs % 1000 < 0));
    const int millis = static_cast<int>((localMs % 1000 + 1000) % 1000);
    std::tm fields{};
    gmtime_r(&seconds, &fields);
    const int offset = offsetMinutes < 0 ? -offsetMinutes : offsetMinutes;
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d",
                  fields.tm_year + 1900, fields.tm_mon + 1, fields.tm_mday, fields.tm_hour,
                  fields.tm_min, fields.tm_sec, millis, offsetMinutes < 0 ? '-' : '+', offset / 60,
                  offset % 60);
    return text;
}

std::string newUnitId() {
    // Straight from the kernel each time: a generator's state would be copied into every
    // process forked after it was seeded, and the copies would hand out the same ids.
    std::array<std::uint64_t, 2> bits{};
    if (getrandom(bits.data(), sizeof bits, 0) != static_cast<ssize_t>(sizeof bits))
        throw std::system_error(errno, std::generic_category(), "getrandom");
    bits[0] = (bits[0] & ~0xF000ULL) | 0x4000ULL;                         // version 4
    bits[1] = (bits[1] & 0x3FFFFFFFFFFFFFFFULL) | 0x8000000000000000ULL;  // variant 1
    char text[40];
    std::snprintf(text, sizeof text, "%08llx-%04llx-%04llx-%04llx-%012llx",
                  static_cast<unsigned long long>(bits[0] >> 32),
                  static_cast<unsigned long long>((bits[0] >> 16) & 0xFFFF),
                  static_cast<unsigned long long>(bits[0] & 0xFFFF),
                  static_cast<unsigned long long>(bits[1] >> 48),
                  static_cast<unsigned long long>(bits[1] & 0xFFFFFFFFFFFFULL));
    return text;
}

std::string_view resultName(Result result) {
    switch (result) {
        case Result::kPass:
            return "PASS";
        case Result::kFail:
            return "FAIL";
        case Result::kReserved:
            break;
    }
    return "reserved";
}

std::optional<Result> resultFromName(std::string_view name) {
    for (const Result result : {Result::kReserved, Result::kPass, Result::kFail})
        if (resultName(result) == name) return result;
    return std::nullopt;
}

}  // namespace record
