#include "ProgressBoard.h"

#include <algorithm>
#include <cstdio>

namespace station {

namespace {

constexpr std::chrono::milliseconds kRedrawInterval{250};
constexpr const char* kLineUp = "\x1b[1A";
constexpr const char* kClearLine = "\r\x1b[2K";

std::string padded(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

}  // namespace

const char* stepName(UnitStep step) {
    switch (step) {
        case UnitStep::kOpening:
            return "opening";
        case UnitStep::kReading:
            return "reading";
        case UnitStep::kWriting:
            return "writing";
        case UnitStep::kReadingBack:
            return "reading back";
    }
    return "";
}

ProgressBoard::ProgressBoard(std::ostream& out, bool live) : m_out(out), m_live(live) {
    if (m_live) m_redraw = std::thread([this] { redrawEvery(); });
}

ProgressBoard::~ProgressBoard() {
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_one();
    if (m_redraw.joinable()) m_redraw.join();
}

void ProgressBoard::begin(const std::string& port, const std::string& serial) {
    const std::lock_guard lock(m_mutex);
    m_rows.push_back({port, serial, UnitStep::kOpening, Clock::now()});
    print({});
}

void ProgressBoard::step(const std::string& port, UnitStep step) {
    const std::lock_guard lock(m_mutex);
    for (Row& row : m_rows)
        if (row.port == port) row.step = step;
    print({});
}

void ProgressBoard::finish(const std::string& port, const std::string& line) {
    const std::lock_guard lock(m_mutex);
    std::erase_if(m_rows, [&](const Row& row) { return row.port == port; });
    print(line + "\n");
}

void ProgressBoard::note(const std::string& line) {
    const std::lock_guard lock(m_mutex);
    print(line + "\n");
}

std::string ProgressBoard::rows(Clock::time_point now) const {
    std::string text;
    for (const Row& row : m_rows) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(now - row.started).count();
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.1f s", static_cast<double>(elapsed) / 1000);
        text += padded(row.port, 14) + padded(row.serial.empty() ? "-" : row.serial, 18) +
                padded(stepName(row.step), 14) + seconds + "\n";
    }
    return text;
}

void ProgressBoard::print(const std::string& lines) {
    if (!m_live) {
        m_out << lines << std::flush;
        return;
    }
    std::string screen;
    for (std::size_t i = 0; i < m_drawn; ++i) screen += std::string(kLineUp) + kClearLine;
    const std::string table = rows(Clock::now());
    m_drawn = static_cast<std::size_t>(std::count(table.begin(), table.end(), '\n'));
    m_out << screen << lines << table << std::flush;
}

void ProgressBoard::redrawEvery() {
    std::unique_lock lock(m_mutex);
    while (!m_wake.wait_for(lock, kRedrawInterval, [this] { return m_stopping; }))
        if (!m_rows.empty()) print({});
}

}  // namespace station
