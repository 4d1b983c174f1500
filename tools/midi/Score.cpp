#include "Score.h"

#include <QRegularExpression>

#include <algorithm>
#include <map>

namespace tunes {

int keyOf(QStringView name)
{
    static const QRegularExpression re(QStringLiteral("^([A-G])(#|b)?(-?\\d)$"));
    const auto m = re.match(name.toString());
    if (!m.hasMatch())
        return -1;
    static const int base[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    int key = base[m.captured(1).at(0).unicode() - 'A'];
    if (m.captured(2) == QLatin1String("#"))
        ++key;
    else if (m.captured(2) == QLatin1String("b"))
        --key;
    const int octave = m.captured(3).toInt();
    key += (octave + 1) * 12;
    return key >= 0 && key <= 127 ? key : -1;
}

QString times(int n, const QString& fragment)
{
    QString s;
    for (int i = 0; i < n; ++i)
        s += fragment + QLatin1Char(' ');
    return s;
}

QString shiftOctaves(const QString& notes, int n)
{
    static const QRegularExpression pitch(QStringLiteral("([A-G][#b]?)(-?\\d)"));
    QString out;
    qsizetype last = 0;
    auto it = pitch.globalMatch(notes);
    while (it.hasNext()) {
        const auto m = it.next();
        out += notes.mid(last, m.capturedStart() - last);
        out += m.captured(1) + QString::number(m.captured(2).toInt() + n);
        last = m.capturedEnd();
    }
    return out + notes.mid(last);
}

QString expandChords(const QString& chords, const std::vector<std::pair<QString, QString>>& patterns)
{
    QString out;
    for (const QString& name : chords.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
        if (name == QLatin1String("|")) {
            out += QStringLiteral("| ");
            continue;
        }
        const auto it = std::find_if(patterns.begin(), patterns.end(), [&](const auto& p) { return p.first == name; });
        if (it == patterns.end())
            throw ScoreError(QStringLiteral("no pattern for chord '%1'").arg(name).toStdString());
        out += it->second + QLatin1Char(' ');
    }
    return out;
}

ParsedVoice parseVoice(const Voice& voice, int barTicks)
{
    static const QRegularExpression token(QStringLiteral("^(r|(?:[A-G][#b]?-?\\d\\+?)+)([whqes]\\.?)?$"));
    ParsedVoice out;
    int tick = 0, barStart = 0, bar = 1, length = kTicksPerQuarter, velocity = voice.velocity;
    bool firstBar = true;
    auto fail = [&](const QString& what) {
        throw ScoreError(QStringLiteral("%1, bar %2: %3").arg(voice.name).arg(bar).arg(what).toStdString());
    };
    const QStringList tokens = voice.notes.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (const QString& t : tokens) {
        if (t == QLatin1String("|")) {
            const int used = tick - barStart;
            if (used != barTicks && !(firstBar && used > 0 && used < barTicks))
                fail(QStringLiteral("bar holds %1 ticks, not %2").arg(used).arg(barTicks));
            firstBar = false;
            barStart = tick;
            ++bar;
            continue;
        }
        const QChar c = t.at(0);
        bool ok = false;
        if (c == QLatin1Char('v') || c == QLatin1Char('p') || c == QLatin1Char('T')) {
            const int value = t.mid(1).toInt(&ok);
            if (!ok)
                fail(QStringLiteral("bad token '%1'").arg(t));
            if (c == QLatin1Char('v')) {
                if (value < 1 || value > 127)
                    fail(QStringLiteral("velocity out of range: %1").arg(t));
                velocity = value;
            } else if (c == QLatin1Char('p')) {
                if (value < 0 || value > 127)
                    fail(QStringLiteral("program out of range: %1").arg(t));
                out.programs.push_back({tick, value});
            } else {
                if (value < 20 || value > 300)
                    fail(QStringLiteral("tempo out of range: %1").arg(t));
                out.tempos.push_back({tick, value});
            }
            continue;
        }
        const auto m = token.match(t);
        if (!m.hasMatch())
            fail(QStringLiteral("bad token '%1'").arg(t));
        if (m.capturedLength(2) > 0) {
            const QString d = m.captured(2);
            static const std::map<QChar, int> lengths{{'w', 1920}, {'h', 960}, {'q', 480}, {'e', 240}, {'s', 120}};
            length = lengths.at(d.at(0));
            if (d.size() == 2)
                length = length * 3 / 2;
        }
        const QString pitches = m.captured(1);
        if (pitches != QLatin1String("r")) {
            for (const QString& p : pitches.split(QLatin1Char('+'), Qt::SkipEmptyParts)) {
                const int key = keyOf(p);
                if (key < 0)
                    fail(QStringLiteral("bad pitch '%1'").arg(p));
                const int sounding = std::max(30, int(length * voice.legato));
                out.notes.push_back({tick, sounding, key, velocity});
            }
        }
        tick += length;
    }
    if (tick != barStart && tick - barStart != barTicks)
        fail(QStringLiteral("last bar holds %1 ticks, not %2").arg(tick - barStart).arg(barTicks));
    out.endTick = tick;
    return out;
}

namespace {

void putVarLen(QByteArray& out, quint32 value)
{
    quint8 bytes[4];
    int n = 0;
    bytes[n++] = value & 0x7F;
    while ((value >>= 7) != 0)
        bytes[n++] = 0x80 | (value & 0x7F);
    while (n > 0)
        out.append(char(bytes[--n]));
}

void put32(QByteArray& out, quint32 v)
{
    for (int s = 24; s >= 0; s -= 8)
        out.append(char((v >> s) & 0xFF));
}

void put16(QByteArray& out, quint16 v)
{
    out.append(char(v >> 8));
    out.append(char(v & 0xFF));
}

struct Event {
    int tick;
    int order; // at equal ticks: note-offs, then settings, then note-ons
    QByteArray bytes;
};

QByteArray track(std::vector<Event> events, int endTick)
{
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });
    QByteArray body;
    int last = 0;
    for (const Event& e : events) {
        putVarLen(body, quint32(e.tick - last));
        body += e.bytes;
        last = e.tick;
    }
    putVarLen(body, quint32(std::max(0, endTick - last)));
    body += QByteArray("\xFF\x2F\x00", 3);
    QByteArray chunk("MTrk");
    put32(chunk, quint32(body.size()));
    return chunk + body;
}

QByteArray meta(quint8 type, const QByteArray& data)
{
    QByteArray b;
    b.append(char(0xFF));
    b.append(char(type));
    putVarLen(b, quint32(data.size()));
    return b + data;
}

QByteArray tempoMeta(int bpm)
{
    const quint32 us = quint32(60000000 / bpm);
    QByteArray d;
    d.append(char((us >> 16) & 0xFF));
    d.append(char((us >> 8) & 0xFF));
    d.append(char(us & 0xFF));
    return meta(0x51, d);
}

} // namespace

QByteArray writeMidi(const Tune& tune)
{
    const int barTicks = kTicksPerQuarter * 4 * tune.meterNumerator / tune.meterDenominator;
    std::vector<ParsedVoice> parsed;
    int endTick = 0;
    for (const Voice& v : tune.voices) {
        parsed.push_back(parseVoice(v, barTicks));
        endTick = std::max(endTick, parsed.back().endTick);
    }
    // Let the last notes ring out.
    endTick += kTicksPerQuarter * 2;

    std::vector<Event> conductor;
    conductor.push_back({0, 0, meta(0x03, tune.title.toUtf8())});
    QByteArray timeSig;
    timeSig.append(char(tune.meterNumerator));
    int denPower = 0;
    for (int d = tune.meterDenominator; d > 1; d /= 2)
        ++denPower;
    timeSig.append(char(denPower));
    timeSig.append(char(24));
    timeSig.append(char(8));
    conductor.push_back({0, 1, meta(0x58, timeSig)});
    conductor.push_back({0, 1, tempoMeta(tune.bpm)});
    for (const ParsedVoice& p : parsed)
        for (auto [tick, bpm] : p.tempos)
            conductor.push_back({tick, 1, tempoMeta(bpm)});

    QByteArray file("MThd");
    put32(file, 6);
    put16(file, 1);
    put16(file, quint16(tune.voices.size() + 1));
    put16(file, kTicksPerQuarter);
    file += track(conductor, endTick);

    for (size_t i = 0; i < tune.voices.size(); ++i) {
        const Voice& v = tune.voices[i];
        const ParsedVoice& p = parsed[i];
        const char ch = char(v.channel & 0x0F);
        std::vector<Event> events;
        events.push_back({0, 1, meta(0x03, v.name.toUtf8())});
        events.push_back({0, 1, QByteArray() + char(0xC0 | ch) + char(v.program)});
        events.push_back({0, 1, QByteArray() + char(0xB0 | ch) + char(10) + char(v.pan)});
        events.push_back({0, 1, QByteArray() + char(0xB0 | ch) + char(7) + char(100)});
        for (auto [tick, program] : p.programs)
            events.push_back({tick, 1, QByteArray() + char(0xC0 | ch) + char(program)});
        for (const NoteEvent& n : p.notes) {
            events.push_back({n.tick, 2, QByteArray() + char(0x90 | ch) + char(n.key) + char(n.velocity)});
            events.push_back({n.tick + n.length, 0, QByteArray() + char(0x80 | ch) + char(n.key) + char(0)});
        }
        file += track(std::move(events), endTick);
    }
    return file;
}

} // namespace tunes
