// Text, Bytes and TextList: the values every subsystem passes around, and the small operations
// on them. Positions are 1-based byte positions held in 32-bit ints; a search that finds nothing
// gives -1. Searching, replacing, splitting and case mapping step over two-byte characters: a
// byte of 0x80 or above together with the byte after it is one character.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora {

// A byte string in the GBK code page (936). It never holds the byte 0x00: BytesToText cuts at the
// first zero, and every operation here keeps that true. Empty and absent are the same value.
using Text = std::string;

// A counted byte sequence that may hold 0x00: page bodies, UTF-8 and UTF-16 data.
using Bytes = std::vector<std::uint8_t>;

// An ordered list of Text, addressed from 1 to TextListCount.
using TextList = std::vector<Text>;

// --- Text -----------------------------------------------------------------------------------

int TextLength(std::string_view t);
Text TextLeft(std::string_view t, int n);   // first min(n, len) bytes; empty when n <= 0
Text TextRight(std::string_view t, int n);  // last min(n, len) bytes; empty when n <= 0
// Bytes from position start on, at most n; empty when start < 1, start > len or n <= 0.
Text TextMid(std::string_view t, int start, int n);

// Position of the first occurrence of sub at or after start (below 1 means 1), or -1. An empty
// sub is found at 1 whenever text remains from start on. ignoreCase folds ASCII letters only,
// wherever they stand, also as the trail byte of a two-byte character.
int FindText(std::string_view t, std::string_view sub, int start, bool ignoreCase);

// t with every occurrence of find from start on replaced by repl, left to right, without overlap;
// the inserted text is never searched again. Note the flag's sense: true means exact matching.
// An empty t or find, or a start past the end, gives t unchanged.
Text ReplaceSubtext(std::string_view t, std::string_view find, std::string_view repl, int start,
                    bool caseSensitive);

// t with n bytes removed at position start (both clipped into t).
Text ReplaceRange(std::string_view t, int start, int n);

// The pieces of t between occurrences of delim (matched exactly). An empty t gives no pieces; an
// empty last piece is dropped, empty pieces elsewhere are kept: "a||b" gives a, "", b.
TextList SplitText(std::string_view t, std::string_view delim);

Text ToUpper(std::string_view t);  // ASCII letters only; two-byte characters unchanged
Text ToLower(std::string_view t);

// -1, 0 or 1; ASCII letters compare without regard to case, two-byte characters as wholes.
int CompareText(std::string_view a, std::string_view b);

// The leading decimal integer after white space, full-width forms read as ASCII; 0 when there is
// none. Accumulates in 32 bits, so values outside the int range wrap modulo 2^32.
int TextToInt(std::string_view t);
// The leading decimal floating-point number after white space; 0 when there is none.
double TextToNumber(std::string_view t);

Text NumberToText(int v);     // as "%d"
Text NumberToText(double v);  // as "%.13g"

int CharCode(std::string_view t, int pos);  // the byte at pos as -128..127; 0 outside t
Text CharFromCode(int c);                   // one byte of the low 8 bits; empty when they are 0
Text HexText(std::uint32_t v);              // as "%X"

// The parts one after another, measured first and joined in one allocation.
Text ConcatText(std::initializer_list<std::string_view> parts);

// --- Bytes ----------------------------------------------------------------------------------

int BytesLength(const Bytes& b);
Bytes BytesLeft(const Bytes& b, int n);
Bytes BytesRight(const Bytes& b, int n);
// Position of the first exact occurrence of pattern, stepping byte by byte; -1 when there is
// none or the pattern is empty.
int FindBytes(const Bytes& b, const Bytes& pattern);
int ByteAt(const Bytes& b, int i);  // 0..255; i must lie in 1..BytesLength(b)
// The little-endian 32-bit value of the first four bytes; missing high bytes count as 0.
int BytesValueAt(const Bytes& b);
Bytes BlankBytes(int n);  // n zero bytes
Text BlankText(int n);    // n spaces
Bytes TextToBytes(std::string_view t);
Text BytesToText(const Bytes& b);  // the bytes up to the first 0x00
Bytes ConcatBytes(const Bytes& a, const Bytes& b);

// --- TextList -------------------------------------------------------------------------------

int TextListCount(const TextList& l);
const Text& TextListItem(const TextList& l, int i);  // i must lie in 1..TextListCount(l)
void TextListAppend(TextList& l, std::string_view t);

}  // namespace pelmora
