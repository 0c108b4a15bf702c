#include "RecordUrl.h"

#include <charconv>

#include "RecordError.h"

namespace record {
namespace {

constexpr std::string_view kSqliteScheme = "sqlite://";
constexpr std::string_view kPostgresSchemes[] = {"postgresql://", "postgres://"};
constexpr std::string_view kForms =
    " (expected sqlite:///path/line.db or postgresql://user@host:port/dbname)";

[[noreturn]] void refuse(std::string_view url, std::string_view why) {
    throw RecordError("database address '" + shownRecordUrl(url) + "': " + std::string(why) +
                      std::string(kForms));
}

bool plainName(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '/' || c == '@' || c == '?' || c == '#' ||
            c == ':' || c == '%')
            return false;
    }
    return !text.empty();
}

RecordUrl sqliteUrl(std::string_view url) {
    RecordUrl parsed;
    parsed.path = std::string(url.substr(kSqliteScheme.size()));
    if (parsed.path.empty() || parsed.path.front() != '/')
        refuse(url, "the SQLite file needs an absolute path after sqlite://");
    if (parsed.path.back() == '/') refuse(url, "the path names a folder, not a file");
    if (parsed.path.find_first_of(std::string_view("?#\0", 3)) != std::string::npos)
        refuse(url, "a file path cannot hold '?', '#' or a NUL byte");
    return parsed;
}

int portNumber(std::string_view url, std::string_view text) {
    int port = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || port < 1 ||
        port > 65535)
        refuse(url, "the port must be a number from 1 to 65535");
    return port;
}

RecordUrl postgresUrl(std::string_view url, std::string_view rest) {
    RecordUrl parsed;
    parsed.engine = RecordUrl::Engine::kPostgres;
    const auto slash = rest.find('/');
    if (slash == std::string_view::npos) refuse(url, "the database name is missing");
    std::string_view authority = rest.substr(0, slash);
    const std::string_view database = rest.substr(slash + 1);
    if (const auto at = authority.rfind('@'); at != std::string_view::npos) {
        parsed.user = std::string(authority.substr(0, at));
        if (parsed.user.find(':') != std::string::npos)
            refuse(url, "give the password in ~/.pgpass or PGPASSWORD, not in the address");
        if (!plainName(parsed.user)) refuse(url, "the user name is empty or holds a bad character");
        authority.remove_prefix(at + 1);
    }
    if (const auto colon = authority.rfind(':'); colon != std::string_view::npos) {
        parsed.port = portNumber(url, authority.substr(colon + 1));
        authority = authority.substr(0, colon);
    }
    if (!plainName(authority)) refuse(url, "the host is missing or holds a bad character");
    parsed.host = std::string(authority);
    if (!plainName(database)) refuse(url, "the database name is missing or holds a bad character");
    parsed.database = std::string(database);
    return parsed;
}

std::string conninfoQuoted(std::string_view value) {
    std::string text = "'";
    for (const char c : value) {
        if (c == '\'' || c == '\\') text += '\\';
        text += c;
    }
    return text + "'";
}

constexpr std::string_view kHidden = "***";

// The user's password, between the first ':' of the part before the last '@' and that '@'.
std::string withoutUserPassword(std::string_view url, std::size_t authority) {
    const auto at = url.rfind('@');
    if (at == std::string_view::npos || at < authority) return std::string(url);
    const auto colon = url.find(':', authority);
    if (colon >= at) return std::string(url);
    return std::string(url.substr(0, colon + 1)) + std::string(kHidden) +
           std::string(url.substr(at));
}

// A password given as a parameter: "?password=..." or "&password=...".
std::string withoutPasswordParameter(std::string url) {
    constexpr std::string_view kKey = "password=";
    for (auto found = url.find(kKey); found != std::string::npos;
         found = url.find(kKey, found + 1)) {
        if (found == 0 || (url[found - 1] != '?' && url[found - 1] != '&')) continue;
        const auto value = found + kKey.size();
        const auto end = url.find('&', value);
        url.replace(value, (end == std::string::npos ? url.size() : end) - value, kHidden);
    }
    return url;
}

}  // namespace

std::string shownRecordUrl(std::string_view url) {
    for (const std::string_view scheme : kPostgresSchemes)
        if (url.starts_with(scheme))
            return withoutPasswordParameter(withoutUserPassword(url, scheme.size()));
    return std::string(url);
}

RecordUrl parseRecordUrl(std::string_view url) {
    if (url.starts_with(kSqliteScheme)) return sqliteUrl(url);
    for (const std::string_view scheme : kPostgresSchemes)
        if (url.starts_with(scheme)) return postgresUrl(url, url.substr(scheme.size()));
    refuse(url, "unknown kind of database");
}

std::string RecordUrl::connectionString() const {
    // A down server must be reported within seconds, not after the system's TCP time-out.
    std::string text = "host=" + conninfoQuoted(host) + " port=" + std::to_string(port) +
                       " dbname=" + conninfoQuoted(database) + " connect_timeout=3";
    if (!user.empty()) text += " user=" + conninfoQuoted(user);
    return text;
}

std::string RecordUrl::place() const {
    if (engine == Engine::kSqlite) return path;
    return "postgresql://" + host + ":" + std::to_string(port) + "/" + database;
}

}  // namespace record
