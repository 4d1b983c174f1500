#include "core/search/SearchText.h"

#include "core/exchange/Question.h"
#include "core/store/RtfReader.h"

#include <algorithm>
#include <vector>
#include <sqlite3.h>

namespace search {

namespace {

// A word the full-text table's simple tokenizer keeps whole and never reads as
// query syntax: the UTF-16 units in lower-case hex.
void appendHex(QString& out, char16_t unit)
{
    static const char digits[] = "0123456789abcdef";
    for (int shift = 12; shift >= 0; shift -= 4)
        out += QLatin1Char(digits[(unit >> shift) & 0xf]);
}

constexpr quint64 kPair = quint64(1) << 32;

QString word(QStringView gram)
{
    QString out;
    out.reserve(gram.size() * 4);
    for (QChar c : gram)
        appendHex(out, c.unicode());
    return out;
}

QByteArrayView withoutLead(const QByteArray& data)
{
    QByteArrayView v(data);
    if (v.startsWith("\xEF\xBB\xBF"))
        v = v.sliced(3);
    while (!v.isEmpty() && (v.front() == ' ' || v.front() == '\t' || v.front() == '\r' || v.front() == '\n'))
        v = v.sliced(1);
    return v;
}

} // namespace

QString normalise(const QString& text)
{
    return collapseBlanks(text.normalized(QString::NormalizationForm_KC).toCaseFolded());
}

QString collapseBlanks(const QString& text)
{
    QString out;
    out.reserve(text.size());
    bool blank = false;
    for (QChar c : text) {
        if (c.isSpace() || c == QChar::ObjectReplacementCharacter) {
            blank = !out.isEmpty();
            continue;
        }
        if (blank)
            out += QLatin1Char(' ');
        blank = false;
        out += c;
    }
    return out;
}

QString richPlain(const QVariant& stored)
{
    if (stored.isNull())
        return {};
    const QByteArray data = stored.userType() == QMetaType::QByteArray ? stored.toByteArray() : stored.toString().toUtf8();
    const QByteArrayView head = withoutLead(data);
    if (head.startsWith("{\\rtf"))
        return store::rtf::plainText(store::rtf::readRtf(data));
    // The editor saves HTML documents; a plain text that starts with a tag is rare
    // enough to read the same way.
    if (head.startsWith('<'))
        return exchange::htmlToPlain(store::rtf::decodeHtml(data));
    return store::rtf::decodePlain(data);
}

QuestionText questionText(const QVariant& stem, const QVariant& sharedStem, const QVariant& analysis, const QVariant& answer)
{
    QStringList body, shown;
    for (const QString& part : {richPlain(stem), richPlain(sharedStem), richPlain(analysis), answer.toString()}) {
        const QString n = normalise(part);
        if (n.isEmpty())
            continue;
        body << n;
        shown << collapseBlanks(part);
    }
    return {body.join(QLatin1Char('\n')), shown.join(QLatin1Char('\n'))};
}

ShownMatch findShown(const QString& shown, const QString& normalisedQuery)
{
    // Folded one character (or surrogate pair) at a time, remembering where each
    // folded unit came from. ASCII and the common CJK block fold on their own.
    QString folded;
    folded.reserve(shown.size());
    std::vector<qsizetype> from;
    from.reserve(size_t(shown.size()));
    for (qsizetype i = 0; i < shown.size();) {
        const char16_t c = shown[i].unicode();
        const qsizetype n = QChar::isHighSurrogate(c) && i + 1 < shown.size() ? 2 : 1;
        if (c < 0x80) {
            folded += QChar(c >= u'A' && c <= u'Z' ? char16_t(c + 32) : c);
            from.push_back(i);
        } else if (c >= 0x4e00 && c <= 0x9fff) {
            folded += QChar(c);
            from.push_back(i);
        } else {
            const QString f = shown.mid(i, n).normalized(QString::NormalizationForm_KC).toCaseFolded();
            folded += f;
            from.insert(from.end(), size_t(f.size()), i);
        }
        i += n;
    }
    const qsizetype at = folded.indexOf(normalisedQuery);
    if (at < 0 || normalisedQuery.isEmpty())
        return {};
    const qsizetype end = at + normalisedQuery.size();
    const qsizetype shownEnd = end < folded.size() ? from[size_t(end)] : shown.size();
    return {from[size_t(at)], shownEnd - from[size_t(at)]};
}

QString textWords(const QString& normalised)
{
    // Characters as they are, pairs above them, sorted so each is written once.
    std::vector<quint64> grams;
    grams.reserve(size_t(normalised.size()) * 2);
    const QStringView text(normalised);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\n')
            continue;
        grams.push_back(c);
        if (i + 1 < text.size() && text[i + 1] != u'\n')
            grams.push_back(kPair | quint64(c) << 16 | text[i + 1].unicode());
    }
    std::sort(grams.begin(), grams.end());
    grams.erase(std::unique(grams.begin(), grams.end()), grams.end());
    QString out;
    out.reserve(qsizetype(grams.size()) * 9);
    for (quint64 g : grams) {
        if (!out.isEmpty())
            out += QLatin1Char(' ');
        if (g & kPair)
            appendHex(out, char16_t(g >> 16));
        appendHex(out, char16_t(g));
    }
    return out;
}

QStringList queryWords(const QString& normalised)
{
    if (normalised.size() == 1)
        return {word(normalised)};
    QStringList out;
    for (qsizetype i = 0; i + 1 < normalised.size(); ++i) {
        QString w = word(QStringView(normalised).mid(i, 2));
        if (!out.contains(w))
            out << std::move(w);
    }
    return out;
}

QString questionTextSelect()
{
    // A sub-question "<16-character group>-n" shares its group's stem.
    return QStringLiteral("select a.A1, a.A2, e.A15 as stem, e.jx as analysis, t.A15 as shared from tab_answ a"
                          " left join tab_exer e on e.A1 = a.A1"
                          " left join tab_title t on t.A1 = (case when instr(a.A1, '-') > 0 then substr(a.A1, 1, 16) end)");
}

StatementReset::~StatementReset()
{
    sqlite3_reset(stmt);
}

} // namespace search
