#include "orvel/Risk.h"

#include "text/Instant.h"

#include <array>
#include <chrono>

namespace orvel {
namespace {

using namespace std::chrono;

constexpr std::array<std::string_view, 12> monthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isAlphanumeric(char c) { return isDigit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The start of a line read left to right; every read consumes only what it accepts.
class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    /// Exactly `width` ASCII digits as a number.
    std::optional<std::int64_t> number(std::size_t width) {
        if (m_text.size() < width) return std::nullopt;
        std::int64_t value = 0;
        for (std::size_t i = 0; i < width; ++i) {
            if (!isDigit(m_text[i])) return std::nullopt;
            value = value * 10 + (m_text[i] - '0');
        }
        m_text.remove_prefix(width);
        return value;
    }

    /// The run of ASCII digits here (possibly empty), consumed.
    std::string_view digitRun() {
        std::size_t n = 0;
        while (n < m_text.size() && isDigit(m_text[n])) ++n;
        const std::string_view run = m_text.substr(0, n);
        m_text.remove_prefix(n);
        return run;
    }

    /// Consumes `c` when it comes next.
    bool skip(char c) {
        if (m_text.empty() || m_text.front() != c) return false;
        m_text.remove_prefix(1);
        return true;
    }

    /// "Jan"…"Dec", as logs spell them.
    std::optional<std::int64_t> monthName() {
        for (std::size_t i = 0; i < monthNames.size(); ++i) {
            if (m_text.starts_with(monthNames[i])) {
                m_text.remove_prefix(3);
                return static_cast<std::int64_t>(i + 1);
            }
        }
        return std::nullopt;
    }

    /// "Z", "±hh:mm" or "±hhmm" (with a colon only when `colon` allows it) as the zone's
    /// distance ahead of UTC.
    std::optional<seconds> zone(bool colon) {
        if (skip('Z')) return seconds{0};
        const int sign = skip('+') ? 1 : skip('-') ? -1 : 0;
        if (sign == 0) return std::nullopt;
        const auto h = number(2);
        if (colon) skip(':');
        const auto m = number(2);
        if (!h || !m || *h > 23 || *m > 59) return std::nullopt;
        return sign * (hours{*h} + minutes{*m});
    }

    /// At the end, or before a character that cannot continue the time (a blank, "]", ",").
    bool delimited() const { return m_text.empty() || !isAlphanumeric(m_text.front()); }
    bool empty() const { return m_text.empty(); }
    char next() const { return m_text.front(); }

private:
    std::string_view m_text;
};

struct Civil {
    std::optional<std::int64_t> year, month, day, hour, minute, second;
};

// The instant of a civil date and time in UTC; absent when any field is missing or out of range
// (month 13, 30 February, hour 24, second 60).
std::optional<sys_seconds> instantOf(const Civil& c) {
    if (!c.year || !c.month || !c.day || !c.hour || !c.minute || !c.second) return std::nullopt;
    const year_month_day date{year{static_cast<int>(*c.year)}, month{static_cast<unsigned>(*c.month)},
                              day{static_cast<unsigned>(*c.day)}};
    if (!date.ok() || *c.hour > 23 || *c.minute > 59 || *c.second > 59) return std::nullopt;
    return sys_days{date} + hours{*c.hour} + minutes{*c.minute} + seconds{*c.second};
}

// "HH:MM:SS" into `c`.
void timeOfDay(Reader& in, Civil& c) {
    c.hour = in.number(2);
    if (!c.hour || !in.skip(':')) return;
    c.minute = in.number(2);
    if (!c.minute || !in.skip(':')) return;
    c.second = in.number(2);
}

// "2026-06-07T09:14:02.123+02:00", "2026-06-07 09:14:02" (no zone is UTC), a "," fraction too.
std::optional<sys_seconds> iso8601(Reader in) {
    Civil c;
    c.year = in.number(4);
    if (!c.year || !in.skip('-') || !(c.month = in.number(2)) || !in.skip('-') || !(c.day = in.number(2))) {
        return std::nullopt;
    }
    if (!in.skip('T') && !in.skip(' ')) return std::nullopt;
    timeOfDay(in, c);
    if ((in.skip('.') || in.skip(',')) && in.digitRun().empty()) return std::nullopt;
    seconds offset{0};
    if (!in.empty() && (in.next() == 'Z' || in.next() == '+' || in.next() == '-')) {
        const auto zone = in.zone(true);
        if (!zone) return std::nullopt;
        offset = *zone;
    }
    const auto local = instantOf(c);
    if (!local || !in.delimited()) return std::nullopt;
    return *local - offset;
}

// "[07/Jun/2026:09:14:02 +0000]", the access-log time of Apache and nginx.
std::optional<sys_seconds> accessLog(Reader in) {
    Civil c;
    if (!in.skip('[') || !(c.day = in.number(2)) || !in.skip('/')) return std::nullopt;
    c.month = in.monthName();
    if (!c.month || !in.skip('/') || !(c.year = in.number(4)) || !in.skip(':')) return std::nullopt;
    timeOfDay(in, c);
    if (!in.skip(' ')) return std::nullopt;
    const auto zone = in.zone(false);
    const auto local = instantOf(c);
    if (!zone || !local || !in.skip(']')) return std::nullopt;
    return *local - *zone;
}

// "Jun  7 09:14:02" (the day padded with a space, or not) in `syslogYear`: syslog leaves the year out.
std::optional<sys_seconds> syslog(Reader in, int syslogYear) {
    Civil c;
    c.year = syslogYear;
    c.month = in.monthName();
    if (!c.month || !in.skip(' ')) return std::nullopt;
    in.skip(' ');
    const std::string_view dayDigits = in.digitRun();
    if (dayDigits.empty() || dayDigits.size() > 2) return std::nullopt;
    c.day = Reader(dayDigits).number(dayDigits.size());
    if (!in.skip(' ')) return std::nullopt;
    timeOfDay(in, c);
    const auto instant = instantOf(c);
    if (!instant || !in.delimited()) return std::nullopt;
    return instant;
}

// Ten digits of seconds (with an optional fraction) or thirteen of milliseconds, standing alone:
// longer or shorter runs are identifiers, not times.
std::optional<sys_seconds> epoch(Reader in) {
    const std::string_view digits = in.digitRun();
    if (digits.size() != 10 && digits.size() != 13) return std::nullopt;
    if (digits.size() == 10 && in.skip('.') && in.digitRun().empty()) return std::nullopt;
    if (!in.delimited() || (!in.empty() && in.next() == '.')) return std::nullopt;
    const auto value = Reader(digits.substr(0, 10)).number(10);
    return sys_seconds{seconds{*value}};
}

} // namespace

std::optional<LineTime> readLineTime(std::string_view line, int syslogYear) {
    std::optional<sys_seconds> instant = iso8601(Reader(line));
    if (!instant) instant = accessLog(Reader(line));
    if (!instant) instant = syslog(Reader(line), syslogYear);
    if (!instant) instant = epoch(Reader(line));
    if (!instant) return std::nullopt;
    // A zone can carry a time just outside the years an ISO 8601 text can name.
    auto text = Instant::iso8601(static_cast<double>(instant->time_since_epoch().count()));
    if (!text) return std::nullopt;
    return LineTime{.instant = *instant, .text = std::move(*text)};
}

} // namespace orvel
