#include "formats/rle_writer.h"

#include <cstring>
#include <string>

#include "engine/extent.h"
#include "engine/field.h"
#include "engine/rule.h"

namespace gb {

namespace {

// Writes a run token ("3o", "b", "12$") into out; returns its length.
std::size_t RunToken(char* out, int run, char symbol) {
    std::size_t n = 0;
    if (run > 1) {
        char digits[12];
        std::size_t k = 0;
        for (unsigned v = static_cast<unsigned>(run); v != 0; v /= 10)
            digits[k++] = static_cast<char>('0' + v % 10);
        while (k > 0) out[n++] = digits[--k];
    }
    out[n++] = symbol;
    return n;
}

// The body's run tokens, gathered in a line that is written out before a token would take it to
// 69 bytes; the body ends with "!".
class RleBody {
public:
    explicit RleBody(std::string& file) : file_(file) {}

    void add(int run, char symbol) {
        char token[16];
        const std::size_t size = RunToken(token, run, symbol);
        if (size_ + size >= 69) {
            file_.append(line_, size_);
            file_ += "\r\n";
            size_ = 0;
        }
        std::memcpy(line_ + size_, token, size);
        size_ += size;
    }

    void finish() {
        file_.append(line_, size_);
        file_ += "!\r\n";
    }

private:
    std::string& file_;
    char line_[96];
    std::size_t size_ = 0;
};

std::string RleHeader(const Extent& e, std::string_view ruleText) {
    return "x = " + std::to_string(e.found ? e.width : 0) +
           ", y = " + std::to_string(e.found ? e.height : 0) +
           ", rule = " + FormatRuleBS(ruleText) + "\r\n";
}

}  // namespace

std::string WriteRleFile(const Field& f, std::string_view ruleText) {
    const Extent e = FieldExtent(f);
    std::string file = RleHeader(e, ruleText);
    RleBody body(file);
    // Runs are found a row at a time, from the live runs of the extent's columns: the dead run
    // after a row's last live one reaches the column after the extent and is never written. Row
    // ends wait for the next live cell, so trailing empty rows and the last row end are left out.
    int rowEnds = 0;  // row ends not yet written
    for (int y = e.top; e.found && y <= e.bottom; ++y) {
        int x = e.left;
        f.cells().forEachRun(y, e.left, e.right, [&](int x0, int x1) {
            if (rowEnds != 0) body.add(rowEnds, '$');
            rowEnds = 0;
            if (x0 > x) body.add(x0 - x, 'b');
            body.add(x1 - x0 + 1, 'o');
            x = x1 + 1;
        });
        ++rowEnds;
    }
    body.finish();
    return file;
}

}  // namespace gb
