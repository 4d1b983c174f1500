#include "core/store/RtfKeywords.h"

#include <algorithm>
#include <initializer_list>
#include <utility>
#include <vector>

namespace store::rtf {

// Control words the reader acts on, sorted for a binary search (no allocation, no
// hashing: a document is mostly control words).
KeywordInfo lookupKeyword(std::string_view word)
{
    using Entry = std::pair<std::string_view, KeywordInfo>;
    static const std::vector<Entry> table = [] {
        std::vector<Entry> t;
        auto add = [&t](std::initializer_list<std::string_view> words, Keyword k, char16_t symbol = 0) {
            for (std::string_view w : words)
                t.push_back({w, {k, symbol}});
        };
        add({"bin"}, Keyword::Bin);
        add({"uc"}, Keyword::Uc);
        add({"fonttbl"}, Keyword::FontTable);
        add({"colortbl"}, Keyword::ColourTable);
        add({"pict"}, Keyword::Pict);
        add({"object"}, Keyword::Object);
        add({"result"}, Keyword::Result);
        add({"shppict", "fldrslt"}, Keyword::Contents);
        add({"stylesheet", "info", "header", "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
             "footerf", "objdata", "objclass", "fldinst", "nonshppict", "listtable", "listoverridetable",
             "rsidtbl", "revtbl", "generator", "xmlnstbl", "themedata", "colorschememapping", "latentstyles",
             "datastore", "filetbl", "pgdsctbl", "footnote", "annotation", "atnid", "atnauthor", "template",
             "userprops", "docvar", "bkmkstart", "bkmkend", "nonesttables", "pn", "pnseclvl", "author",
             "title", "subject", "operator", "keywords", "doccomm", "comment", "company", "creatim", "revtim",
             "printim", "buptim", "txe", "xe", "tc", "rxe", "shpinst", "sp", "sn", "sv", "mmathPr", "falt",
             "panose", "blipuid", "ftnsep", "ftnsepc", "aftnsep", "aftnsepc", "wgrffmtfilter", "mmath"},
            Keyword::Skipped);
        add({"f"}, Keyword::F);
        add({"fcharset"}, Keyword::FCharset);
        add({"cpg"}, Keyword::Cpg);
        add({"fmodern"}, Keyword::FModern);
        add({"red"}, Keyword::Red);
        add({"green"}, Keyword::Green);
        add({"blue"}, Keyword::Blue);
        add({"picwgoal"}, Keyword::PicWGoal);
        add({"pichgoal"}, Keyword::PicHGoal);
        add({"picscalex"}, Keyword::PicScaleX);
        add({"picscaley"}, Keyword::PicScaleY);
        add({"ansicpg"}, Keyword::AnsiCpg);
        add({"deff"}, Keyword::Deff);
        add({"u"}, Keyword::U);
        add({"par", "page", "sect", "nestrow"}, Keyword::Par);
        add({"line"}, Keyword::Line);
        add({"tab", "nestcell"}, Keyword::Tab);
        add({"cell"}, Keyword::Cell);
        add({"row"}, Keyword::Row);
        add({"emdash"}, Keyword::Symbol, 0x2014);
        add({"endash"}, Keyword::Symbol, 0x2013);
        add({"bullet"}, Keyword::Symbol, 0x2022);
        add({"lquote"}, Keyword::Symbol, 0x2018);
        add({"rquote"}, Keyword::Symbol, 0x2019);
        add({"ldblquote"}, Keyword::Symbol, 0x201c);
        add({"rdblquote"}, Keyword::Symbol, 0x201d);
        add({"emspace"}, Keyword::Symbol, 0x2003);
        add({"enspace"}, Keyword::Symbol, 0x2002);
        add({"qmspace"}, Keyword::Symbol, 0x2005);
        add({"plain"}, Keyword::Plain);
        add({"b"}, Keyword::B);
        add({"i"}, Keyword::I);
        add({"strike", "striked"}, Keyword::Strike);
        add({"ul", "uld", "uldash", "uldashd", "uldashdd", "uldb", "ulhwave", "ulldash", "ulth", "ulthd",
             "ulthdash", "ulthdashd", "ulthdashdd", "ulthldash", "ululdbwave", "ulw", "ulwave"},
            Keyword::Ul);
        add({"ulnone"}, Keyword::UlNone);
        add({"fs"}, Keyword::Fs);
        add({"cf"}, Keyword::Cf);
        add({"cb", "highlight", "chcbpat"}, Keyword::Cb);
        add({"super"}, Keyword::Super);
        add({"sub"}, Keyword::Sub);
        add({"nosupersub"}, Keyword::NoSuperSub);
        add({"up"}, Keyword::Up);
        add({"dn"}, Keyword::Dn);
        add({"pard"}, Keyword::Pard);
        add({"ql"}, Keyword::Ql);
        add({"qc"}, Keyword::Qc);
        add({"qr"}, Keyword::Qr);
        add({"qj", "qd"}, Keyword::Qj);
        add({"li"}, Keyword::Li);
        add({"ri"}, Keyword::Ri);
        add({"fi"}, Keyword::Fi);
        add({"sb"}, Keyword::Sb);
        add({"sa"}, Keyword::Sa);
        add({"intbl"}, Keyword::InTbl);
        add({"trowd"}, Keyword::TRowD);
        add({"cellx"}, Keyword::CellX);
        add({"trql"}, Keyword::TrQl);
        add({"trqc"}, Keyword::TrQc);
        add({"trqr"}, Keyword::TrQr);
        std::sort(t.begin(), t.end(), [](const Entry& a, const Entry& b) { return a.first < b.first; });
        return t;
    }();
    const auto it = std::lower_bound(table.begin(), table.end(), word,
                                     [](const Entry& e, std::string_view w) { return e.first < w; });
    return it != table.end() && it->first == word ? it->second : KeywordInfo();
}

} // namespace store::rtf
