#pragma once

#include <string_view>

// The control words the RTF reader acts on (RtfReader.cpp); every other word is
// passed over.

namespace store::rtf {

enum class Keyword {
    Unknown, Bin, Uc, FontTable, ColourTable, Pict, Object, Result, Contents, Skipped,
    F, FCharset, Cpg, FModern, Red, Green, Blue,
    PicWGoal, PicHGoal, PicScaleX, PicScaleY,
    AnsiCpg, Deff, U, Par, Line, Tab, Cell, Row, Symbol,
    Plain, B, I, Strike, Ul, UlNone, Fs, Cf, Cb, Super, Sub, NoSuperSub, Up, Dn,
    Pard, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, InTbl, TRowD, CellX, TrQl, TrQc, TrQr,
};

struct KeywordInfo {
    Keyword keyword = Keyword::Unknown;
    char16_t symbol = 0; // for Keyword::Symbol
};

// The word's meaning; Keyword::Unknown for a word the reader has no use for.
KeywordInfo lookupKeyword(std::string_view word);

} // namespace store::rtf
