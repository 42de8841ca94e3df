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
        for (unsigned v = static_cast<unsigned>(run); v != 0; v /= 10) digits[k++] = static_cast<char>('0' + v % 10);
        while (k > 0) out[n++] = digits[--k];
    }
    out[n++] = symbol;
    return n;
}

}  // namespace

std::string WriteRleFile(const Field& f, std::string_view ruleText) {
    const Extent e = FieldExtent(f);
    std::string file = "x = " + std::to_string(e.found ? e.width : 0) +
                       ", y = " + std::to_string(e.found ? e.height : 0) +
                       ", rule = " + FormatRuleBS(ruleText) + "\r\n";
    // Tokens gather in a line that is written out before one would take it to 69 bytes.
    char out[96];
    std::size_t outSize = 0;
    char token[16];
    const auto append = [&](std::size_t size) {  // the token in token
        if (outSize + size >= 69) {
            file.append(out, outSize);
            file += "\r\n";
            outSize = 0;
        }
        std::memcpy(out + outSize, token, size);
        outSize += size;
    };

    // Runs are found a row at a time, from the live runs of the extent's columns: the dead run
    // after a row's last live one reaches the column after the extent and is never written. A
    // row end waits for the next live cell, so trailing empty rows and the last row end are left
    // out.
    int rowEnds = 1;
    int pendingRowEnds = 0;
    if (e.found) {
        for (int y = e.top; y <= e.bottom; ++y) {
            int x = e.left;
            f.cells().forEachRun(y, e.left, e.right, [&](int x0, int x1) {
                if (pendingRowEnds != 0) {
                    append(RunToken(token, pendingRowEnds, '$'));
                    rowEnds = 1;
                    pendingRowEnds = 0;
                }
                if (x0 > x) append(RunToken(token, x0 - x, 'b'));
                append(RunToken(token, x1 - x0 + 1, 'o'));
                x = x1 + 1;
            });
            pendingRowEnds = rowEnds;
            ++rowEnds;
        }
    }
    file.append(out, outSize);
    file += "!\r\n";
    return file;
}

}  // namespace gb
