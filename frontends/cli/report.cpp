#include "frontends/cli/report.h"

#include <unistd.h>

#include <cmath>
#include <cstdio>

namespace gb::cli {

std::string SummaryLines(const Summary& s) {
    std::string out = "rule " + s.rule + " (" + s.ruleBS + ")\n";
    out += "generation " + std::to_string(s.generation) + "\n";
    out += "population " + std::to_string(s.population) + "\n";
    const Extent& e = s.extent;
    if (e.found)
        out += "extent " + std::to_string(e.left) + ' ' + std::to_string(e.top) + ' ' +
               std::to_string(e.right) + ' ' + std::to_string(e.bottom) + ' ' +
               std::to_string(e.width) + ' ' + std::to_string(e.height) + '\n';
    else
        out += "extent none\n";
    if (s.settleAsked) {
        if (s.settled)
            out += "settled " + std::to_string(s.settled->generation) + " period " +
                   std::to_string(s.settled->period) + '\n';
        else
            out += "settled none\n";
    }
    if (s.withNotes)
        for (const std::string& note : s.notes) out += note + '\n';
    return out;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t n = text.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            switch (c) {
                case '"': out += "\\\""; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                default:
                    if (c < 0x20 || c == 0x7f) {
                        char buffer[8];
                        std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                        out += buffer;
                    } else {
                        out += static_cast<char>(c);
                    }
            }
            ++i;
            continue;
        }
        // A whole UTF-8 sequence is copied; anything else becomes U+FFFD.
        std::size_t length = 0;
        std::uint32_t low = 0;
        if (c >= 0xC2 && c <= 0xDF)
            length = 2, low = 0x80;
        else if (c >= 0xE0 && c <= 0xEF)
            length = 3, low = 0x800;
        else if (c >= 0xF0 && c <= 0xF4)
            length = 4, low = 0x10000;
        bool ok = length != 0 && i + length <= n;
        std::uint32_t code = ok ? c & (0x7Fu >> length) : 0;
        for (std::size_t k = 1; ok && k < length; ++k) {
            if ((p[i + k] & 0xC0) != 0x80) ok = false;
            code = (code << 6) | (p[i + k] & 0x3Fu);
        }
        if (ok && (code < low || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))) ok = false;
        if (ok) {
            out.append(text.substr(i, length));
            i += length;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return out + "\"";
}

std::string SummaryJson(const Summary& s) {
    std::string out = "{\"rule\":" + JsonString(s.rule) + ",\"rule_bs\":" + JsonString(s.ruleBS) +
                      ",\"generation\":" + std::to_string(s.generation) +
                      ",\"population\":" + std::to_string(s.population) + ",\"extent\":";
    const Extent& e = s.extent;
    if (e.found)
        out += "{\"left\":" + std::to_string(e.left) + ",\"top\":" + std::to_string(e.top) +
               ",\"right\":" + std::to_string(e.right) + ",\"bottom\":" + std::to_string(e.bottom) +
               ",\"width\":" + std::to_string(e.width) + ",\"height\":" + std::to_string(e.height) +
               "}";
    else
        out += "null";
    out += ",\"settled\":";
    if (s.settled)
        out += "{\"generation\":" + std::to_string(s.settled->generation) +
               ",\"period\":" + std::to_string(s.settled->period) + "}";
    else
        out += "null";
    if (s.withNotes) {
        out += ",\"notes\":[";
        for (std::size_t i = 0; i < s.notes.size(); ++i)
            out += (i > 0 ? "," : "") + JsonString(s.notes[i]);
        out += "]";
    }
    return out + "}\n";
}

std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(std::llround(std::max(0.0, seconds)));
    if (whole >= 3600)
        return std::to_string(whole / 3600) + " h " + std::to_string(whole % 3600 / 60) + " min";
    if (whole >= 60)
        return std::to_string(whole / 60) + " min " + std::to_string(whole % 60) + " s";
    return std::to_string(whole) + " s";
}

Progress::Progress(std::int64_t limit, bool enabled)
    : limit_(limit),
      enabled_(enabled && limit > 0 && ::isatty(STDERR_FILENO) == 1),
      start_(Clock::now()),
      last_(start_) {}

void Progress::show(std::int64_t g) {
    const Clock::time_point now = Clock::now();
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    if (elapsed < 1.0 || (shown_ && now - last_ < std::chrono::milliseconds(250))) return;
    last_ = now;
    shown_ = true;
    const double rate = static_cast<double>(g) / elapsed;
    const std::string left = rate > 0 ? Duration(static_cast<double>(limit_ - g) / rate) : "?";
    std::fprintf(stderr, "\rgeneration %lld / %lld   %.0f generations/s   about %s left\033[K",
                 static_cast<long long>(g), static_cast<long long>(limit_), rate, left.c_str());
    std::fflush(stderr);
}

void Progress::finish() {
    if (!shown_) return;
    std::fprintf(stderr, "\r\033[K");
    std::fflush(stderr);
    shown_ = false;
}

}  // namespace gb::cli
