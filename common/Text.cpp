#include "common/Text.h"

#include <cstring>

int CompareText(const Text& a, const Text& b) {
    // Comparing one byte past the shorter length brings in its terminating zero.
    const int order = std::memcmp(a.c_str(), b.c_str(), std::min(a.size(), b.size()) + 1);
    return (order > 0) - (order < 0);
}

Text LeftText(const Text& text, int n) {
    if (n <= 0)
        return {};
    return text.substr(0, static_cast<size_t>(n));
}

std::vector<Text> SplitText(const Text& text, const Text& separator) {
    std::vector<Text> pieces;
    if (text.empty() || separator.empty()) {
        if (!text.empty())
            pieces.push_back(text);
        return pieces;
    }
    size_t pieceStart = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        if (text.compare(pos, separator.size(), separator) == 0) {
            pieces.push_back(text.substr(pieceStart, pos - pieceStart));
            pos += separator.size();
            pieceStart = pos;
        } else if (static_cast<unsigned char>(text[pos]) >= 0x80) {
            pos += 2; // a lead byte carries its trail byte, even a 0x5C one
        } else {
            ++pos;
        }
    }
    if (pieceStart < text.size())
        pieces.push_back(text.substr(pieceStart));
    return pieces;
}
