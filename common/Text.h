// Texts are byte strings in the ANSI code page (936 for this program's own texts).
// Lengths and positions count bytes; a two-byte character counts as two.
#pragma once

#include <string>
#include <string_view>
#include <vector>

using Text = std::string;

// Byte-wise comparison as unsigned bytes; the terminating zero takes part. Gives -1, 0 or 1.
int CompareText(const Text& a, const Text& b);

// The first n bytes; n <= 0 gives "", n beyond the length the whole text.
Text LeftText(const Text& text, int n);

// Joins its arguments end to end, in order, into one new text.
template <class... Parts> Text JoinText(const Parts&... parts) {
    static_assert(sizeof...(Parts) >= 2);
    Text joined;
    joined.reserve((std::string_view(parts).size() + ...));
    (joined.append(std::string_view(parts)), ...);
    return joined;
}

// Splits at every occurrence of separator. A byte 0x80..0xFF starts a two-byte character whose
// second byte is never taken for (part of) a separator. An empty piece after a final separator
// is dropped; the empty text gives no piece at all.
std::vector<Text> SplitText(const Text& text, const Text& separator);
