#include "plugins/netload/HttpText.h"

#include "kovalin/Exceptions.h"

#include <cctype>
#include <cmath>

namespace netload {

std::string LowerCase(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

namespace {

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    size_t i = 0;
    for (; prefix[i]; ++i)
        if (i >= s.size() || std::tolower(static_cast<unsigned char>(s[i])) != prefix[i]) return false;
    return true;
}

// user:password@host:port/path, without a scheme.
void ParseAuthorityAndPath(const std::string& rest, TUrlParts& parts) {
    size_t slash = rest.find('/');
    std::string authority = rest.substr(0, slash);
    if (slash != std::string::npos) parts.path = rest.substr(slash);
    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        std::string userInfo = authority.substr(0, at);
        authority.erase(0, at + 1);
        size_t colon = userInfo.find(':');
        parts.user = userInfo.substr(0, colon);
        if (colon != std::string::npos) parts.pass = userInfo.substr(colon + 1);
    }
    size_t colon = authority.find(':');
    parts.host = authority.substr(0, colon);
    if (colon != std::string::npos) parts.port = authority.substr(colon + 1);
}

} // namespace

TUrlParts ParseURL(const std::string& url) {
    TUrlParts parts;
    if (!url.empty() && url[0] == '/') {
        parts.proto = "http";
        parts.path = url;
        return parts;
    }
    if (StartsWithNoCase(url, "http:") && (url.size() == 5 || url[5] != '/')) {
        parts.proto = "http";
        parts.path = url.substr(5);
        return parts;
    }
    if (StartsWithNoCase(url, "mailto:")) {
        parts.proto = "mailto";
        ParseAuthorityAndPath(url.substr(7), parts);
        return parts;
    }
    size_t sep = url.find("://");
    std::string rest = url;
    if (sep != std::string::npos && url.find('/') > sep) {
        parts.proto = LowerCase(url.substr(0, sep));
        rest = url.substr(sep + 3);
    }
    ParseAuthorityAndPath(rest, parts);
    return parts;
}

TUrlParts WithDefaults(TUrlParts parts) {
    // append, not assignment: GCC 12 warns falsely about assigning a literal to these.
    if (parts.proto.empty()) parts.proto.append("http");
    if (parts.port.empty()) parts.port.append("80");
    if (parts.path.empty()) parts.path.append("/");
    return parts;
}

std::string BuildURL(const std::string& proto, const std::string& host, const std::string& port,
                     const std::string& path) {
    std::string url = (proto.empty() ? std::string("http") : proto) + "://" + host;
    if (!port.empty()) url += ":" + port;
    return url + (path.empty() ? std::string("/") : path);
}

std::string EncodeBase64(const std::string& bytes) {
    static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16 |
                     static_cast<unsigned char>(bytes[i + 1]) << 8 | static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < bytes.size()) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

namespace {

// Days from 0001-01-01 (proleptic Gregorian) to the date.
long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    long era = (y >= 0 ? y : y - 399) / 400;
    long yoe = y - era * 400;
    long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468; // days since 1970-01-01
}

void CivilFromDays(long z, int& y, int& m, int& d) {
    z += 719468;
    long era = (z >= 0 ? z : z - 146096) / 146097;
    long doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

const long kEpochOffset = 25569; // 1970-01-01 as a day count since 1899-12-30

} // namespace

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second) {
    return static_cast<double>(DaysFromCivil(year, month, day) + kEpochOffset) +
           (hour * 3600 + minute * 60 + second) / 86400.0;
}

std::string FormatRequestDate(TDateTime when) {
    static const char kDays[] = "MonTueWedThuFriSatSun";
    static const char kMonths[] = "JanFebMarAprMayJunJulAugSepOctNovDec";
    long days = static_cast<long>(std::floor(when));
    long seconds = std::lround((when - static_cast<double>(days)) * 86400.0);
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    int y, m, d;
    CivilFromDays(days - kEpochOffset, y, m, d);
    // 1899-12-30 was a Saturday: day 0 is index 5 of the Monday-first list.
    int weekday = static_cast<int>(((days + 5) % 7 + 7) % 7);
    return std::string(kDays + weekday * 3, 3) + ", " +
           kovalin::Format("%2.2d %s %4.4d %2.2d:%2.2d:%2.2d", d,
                           std::string(kMonths + (m - 1) * 3, 3).c_str(), y, static_cast<int>(seconds / 3600),
                           static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
}

std::string DocumentNameOf(const std::string& path) {
    std::string p = path;
    if (!p.empty() && p.back() == '/') p.pop_back();
    size_t slash = p.rfind('/');
    std::string name = slash == std::string::npos ? p : p.substr(slash + 1);
    size_t q = name.find('?');
    if (q != std::string::npos) name.resize(q);
    if (path.empty() || path == "/") return "document.htm";
    return name;
}

} // namespace netload
