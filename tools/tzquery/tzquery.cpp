// tzquery: looks inside the time library's zones, as the library itself sees them: the zone
// list, one zone's record, conversions between UTC and a zone's local time, and the bias at a
// time.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "timelib/filetime_math.h"
#include "timelib/portable/system_time_ticks.h"
#include "timelib/portable/wide_text.h"
#include "timelib/time_zone.h"
#include "timelib/zone_facts.h"
#include "trendtab/version.h"

namespace {

using trendtab::WideString;

const char kUsageLine[] =
    "usage: tzquery [--yearly-rule] zones | info [ZONE] | tolocal ZONE STAMP... | "
    "toutc ZONE STAMP... | bias STAMP... | --version | --help\n";

const char kHelpText[] =
    "\n"
    "  zones                  the zone keys, one per line, in the zone list's order\n"
    "  info [ZONE]            the zone's name and record (the current zone without ZONE)\n"
    "  tolocal ZONE STAMP...  each UTC stamp in the zone's local time ('-': the current zone)\n"
    "  toutc ZONE STAMP...    each local stamp of the zone in UTC\n"
    "  bias STAMP...          the current zone's bias in minutes at each UTC stamp\n"
    "\n"
    "  --yearly-rule          (before the command) convert registry zones with the plain\n"
    "                         entry points: the zone's yearly rule in every year\n"
    "\n"
    "STAMP: YYYY-MM-DDTHH:MM:SS[.mmm], or #TICKS (a raw FILETIME).\n"
    "Registry zones convert with the extended entry points where the system has them: the\n"
    "zone's own rules of each year.\n"
    "On POSIX systems the zones are the files of the zone database (TZDIR, else the system's).\n"
    "Exit status: 0 done, 1 a zone that cannot be selected, 2 bad arguments.\n";

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

std::string Narrow(const WCHAR* text, std::size_t maxLength = std::string::npos) {
    std::size_t length = 0;
    while (length < maxLength && text[length] != 0) {
        ++length;
    }
    std::string narrow;
    trendtab::platform::Utf8FromWide(std::basic_string_view<WCHAR>(text, length), &narrow);
    return narrow;
}

std::string TwoDigits(int value) {
    return std::string(1, static_cast<char>('0' + value / 10 % 10)) +
           static_cast<char>('0' + value % 10);
}

std::string ClockTime(const SYSTEMTIME& t) {
    char millis[8];
    std::snprintf(millis, sizeof millis, ".%03u", static_cast<unsigned>(t.wMilliseconds % 1000));
    return TwoDigits(t.wHour) + ":" + TwoDigits(t.wMinute) + ":" + TwoDigits(t.wSecond) + millis;
}

std::string CalendarDate(const SYSTEMTIME& t) {
    char year[8];
    std::snprintf(year, sizeof year, "%04u", static_cast<unsigned>(t.wYear));
    return std::string(year) + "-" + TwoDigits(t.wMonth) + "-" + TwoDigits(t.wDay);
}

// "none"; "Mm.w.d hh:mm:ss.mmm" for a yearly change (week 5: the last), as in POSIX rules; or
// "YYYY-MM-DD hh:mm:ss.mmm" for a change in one year only.
std::string ChangeDate(const SYSTEMTIME& t) {
    if (t.wMonth == 0) {
        return "none";
    }
    if (t.wYear == 0) {
        return "M" + std::to_string(t.wMonth) + "." + std::to_string(t.wDay) + "." +
               std::to_string(t.wDayOfWeek) + " " + ClockTime(t);
    }
    return CalendarDate(t) + " " + ClockTime(t);
}

bool ParseDigits(const std::string& text, std::size_t* pos, std::size_t minDigits,
                 std::size_t maxDigits, std::uint64_t* value) {
    std::size_t count = 0;
    *value = 0;
    while (*pos < text.size() && text[*pos] >= '0' && text[*pos] <= '9' && count < maxDigits) {
        *value = *value * 10 + static_cast<std::uint64_t>(text[*pos] - '0');
        ++*pos;
        ++count;
    }
    return count >= minDigits;
}

bool Expect(const std::string& text, std::size_t* pos, char c) {
    if (*pos < text.size() && text[*pos] == c) {
        ++*pos;
        return true;
    }
    return false;
}

// YYYY-MM-DDTHH:MM:SS[.mmm] (one to three fraction digits), or #TICKS up to 2^64 - 1.
bool ParseStamp(const std::string& text, FILETIME* stamp) {
    std::size_t pos = 0;
    if (Expect(text, &pos, '#')) {
        std::uint64_t ticks = 0;
        for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
            const auto digit = static_cast<std::uint64_t>(text[pos] - '0');
            if (ticks > (UINT64_MAX - digit) / 10) {
                return false;
            }
            ticks = ticks * 10 + digit;
        }
        if (pos != text.size() || text.size() == 1) {
            return false;
        }
        *stamp = trendtab::filetime::FromTicks(ticks);
        return true;
    }
    SYSTEMTIME t{};
    std::uint64_t fields[6] = {};
    const char separators[6] = {'-', '-', 'T', ':', ':', '\0'};
    for (int i = 0; i < 6; ++i) {
        if (!ParseDigits(text, &pos, i == 0 ? 4 : 2, i == 0 ? 5 : 2, &fields[i]) ||
            (separators[i] != '\0' && !Expect(text, &pos, separators[i]))) {
            return false;
        }
    }
    std::uint64_t milliseconds = 0;
    if (Expect(text, &pos, '.')) {
        const std::size_t start = pos;
        if (!ParseDigits(text, &pos, 1, 3, &milliseconds)) {
            return false;
        }
        for (std::size_t digits = pos - start; digits < 3; ++digits) {
            milliseconds *= 10;
        }
    }
    if (pos != text.size() || fields[0] > 65535) {
        return false;
    }
    t.wYear = static_cast<WORD>(fields[0]);
    t.wMonth = static_cast<WORD>(fields[1]);
    t.wDay = static_cast<WORD>(fields[2]);
    t.wHour = static_cast<WORD>(fields[3]);
    t.wMinute = static_cast<WORD>(fields[4]);
    t.wSecond = static_cast<WORD>(fields[5]);
    t.wMilliseconds = static_cast<WORD>(milliseconds);
    std::int64_t ticks = 0;
    if (!trendtab::civil::JoinTicks(t, &ticks)) {
        return false;
    }
    *stamp = trendtab::filetime::FromTicks(static_cast<std::uint64_t>(ticks));
    return true;
}

// As a calendar time, or as #TICKS where there is none (2^63 ticks and more).
std::string FormatStamp(const FILETIME& stamp) {
    SYSTEMTIME t{};
    if (!trendtab::civil::SplitTicks(static_cast<std::int64_t>(trendtab::filetime::Ticks(stamp)), &t)) {
        std::string ticks = "#";
        ticks += std::to_string(trendtab::filetime::Ticks(stamp));
        return ticks;
    }
    return CalendarDate(t) + "T" + ClockTime(t);
}

// Keeps the last message of the conversion it watches.
class MessageKeeper : public trendtab::TimeZoneErrorSink {
  public:
    void ReportError(const WCHAR* message) override { message_ = Narrow(message); }
    std::string Take() { return std::move(message_); }

  private:
    std::string message_;
};

struct BadArguments {
    std::string reason;  // empty: only the usage line
};

std::vector<FILETIME> ParseStamps(const std::vector<std::string>& args, std::size_t first) {
    if (args.size() <= first) {
        throw BadArguments{"no STAMP given"};
    }
    std::vector<FILETIME> stamps;
    for (std::size_t i = first; i < args.size(); ++i) {
        FILETIME stamp{};
        if (!ParseStamp(args[i], &stamp)) {
            throw BadArguments{"not a stamp: " + args[i]};
        }
        stamps.push_back(stamp);
    }
    return stamps;
}

// Selects a zone named on the command line ("-": the current zone); false with the error line
// printed when the zone cannot be selected.
bool Select(trendtab::TimeZone* zone, const std::string& zoneName) {
    if (zoneName == "-") {
        return true;
    }
    WideString wide;
    trendtab::platform::WideFromUtf8(zoneName, &wide);
    if (zoneName.empty() || !zone->SelectZone(wide.c_str())) {
        std::fprintf(stderr, "tzquery: cannot select zone \"%s\"\n", zoneName.c_str());
        return false;
    }
    return true;
}

int Zones() {
    std::vector<WideString> keys;
    if (!trendtab::EnumerateZoneKeys(&keys)) {
        std::fprintf(stderr, "tzquery: cannot read the zone list\n");
        return 1;
    }
    std::string text;
    for (const WideString& key : keys) {
        text += Narrow(key.c_str()) + "\n";
    }
    Print(text);
    return 0;
}

bool IsUtc(const WCHAR* name) {
    const WCHAR utc[] = {'u', 't', 'c'};
    for (const WCHAR c : utc) {
        if (*name == 0 || (*name | 0x20) != c) {
            return false;
        }
        ++name;
    }
    return *name == 0;
}

std::string ConversionPath(const trendtab::TimeZone& zone) {
    if (IsUtc(zone.GetName())) {
        return "none: UTC";
    }
    if (zone.FollowsCurrentZone()) {
        return "the system's current zone";
    }
    return trendtab::ZoneEntryPointsLoaded()
               ? "extended entry points: the zone's own rules of each year"
               : "plain entry points: the yearly rule above in every year";
}

int Info(const std::vector<std::string>& args) {
    if (args.size() > 2) {
        throw BadArguments{"info takes one ZONE at most"};
    }
    trendtab::TimeZone zone;
    if (args.size() == 2 && !Select(&zone, args[1])) {
        return 1;
    }
    const TIME_ZONE_INFORMATION& info = zone.GetZoneInformation();
    std::string text;
    const auto line = [&text](const char* field, const std::string& value) {
        text += value.empty() ? std::string(field) + "\n" : field + (" " + value) + "\n";
    };
    line("Name", Narrow(zone.GetName()));
    line("Bias", std::to_string(info.Bias));
    line("StandardBias", std::to_string(info.StandardBias));
    line("DaylightBias", std::to_string(info.DaylightBias));
    line("StandardName", Narrow(info.StandardName, 32));
    line("DaylightName", Narrow(info.DaylightName, 32));
    line("StandardDate", ChangeDate(info.StandardDate));
    line("DaylightDate", ChangeDate(info.DaylightDate));
    if (trendtab::ZoneRecordIsApproximated(zone.FollowsCurrentZone() ? nullptr
                                                                               : zone.GetName())) {
        line("Approximated", "yes: the zone's rule has no exact yearly Windows form");
    }
    line("Conversions", ConversionPath(zone));
    if (zone.FollowsCurrentZone() && trendtab::TimeZoneVariableNamesNoZone()) {
        line("Warning", "TZ names no zone the C library can load; it uses UTC instead");
    }
    Print(text);
    return 0;
}

int Convert(const std::vector<std::string>& args, bool toLocal) {
    if (args.size() < 2) {
        throw BadArguments{"no ZONE given"};
    }
    const std::vector<FILETIME> stamps = ParseStamps(args, 2);
    MessageKeeper messages;
    trendtab::TimeZone zone(&messages);
    if (!Select(&zone, args[1])) {
        return 1;
    }
    std::string text;
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        FILETIME result = stamps[i];
        if (toLocal) {
            zone.UtcToLocal(stamps[i], &result);
        } else {
            zone.LocalToUtc(stamps[i], &result);
        }
        const std::string message = messages.Take();
        text += args[i + 2] + " " + (message.empty() ? FormatStamp(result) : message) + "\n";
    }
    Print(text);
    return 0;
}

int Bias(const std::vector<std::string>& args) {
    const std::vector<FILETIME> stamps = ParseStamps(args, 1);
    std::string text;
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        text += args[i + 1] + " " + std::to_string(trendtab::GetBiasAt(stamps[i])) + "\n";
    }
    Print(text);
    return 0;
}

int Run(std::vector<std::string> args) {
    if (!args.empty() && args[0] == "--yearly-rule") {
        args.erase(args.begin());
    } else {
        trendtab::LoadZoneEntryPoints();
    }
    const std::string command = args.empty() ? "" : args[0];
    if (command == "--version" && args.size() == 1) {
        Print(std::string("tzquery ") + trendtab::kVersion + "\n");
        return 0;
    }
    if (command == "--help" && args.size() == 1) {
        Print(std::string(kUsageLine) + kHelpText);
        return 0;
    }
    if (command == "zones" && args.size() == 1) {
        return Zones();
    }
    if (command == "info") {
        return Info(args);
    }
    if (command == "tolocal" || command == "toutc") {
        return Convert(args, command == "tolocal");
    }
    if (command == "bias") {
        return Bias(args);
    }
    throw BadArguments{};
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return Run(args);
    } catch (const BadArguments& bad) {
        if (!bad.reason.empty()) {
            std::fprintf(stderr, "tzquery: %s\n", bad.reason.c_str());
        }
        std::fputs(kUsageLine, stderr);
        return 2;
    }
}
