// The six background tunes. Each is a public-domain melody with a simple
// accompaniment, played through at least twice with a change of colour, so that
// every tune lasts more than a minute.
#include "Tunes.h"

namespace tunes {

namespace {

using Patterns = std::vector<std::pair<QString, QString>>;

QString S(const char* text)
{
    return QString::fromUtf8(text);
}

QString restBars(int bars, const char* bar)
{
    return times(bars, S(bar) + QStringLiteral(" |"));
}

// 茉莉花 (Jiangsu folk song): flute, then a violin standing in for the erhu, over a
// koto playing pentatonic broken chords.
Tune jasmine()
{
    const QString melody = S(
        "A4q A4e C5e D5e F5e F5e D5e | C5q C5e D5e C5h | "
        "A4q A4e C5e D5e F5e F5e D5e | C5q C5e D5e C5h | "
        "C5q C5q C5q A4e C5e | D5q D5q C5h | "
        "A4q G4e A4e C5q A4e G4e | F4q F4e G4e F4h | "
        "A4e G4e F4q A4e G4e F4e D4e | C4h D4q F4q | "
        "G4q A4e F4e G4e F4e D4q | C4w | "
        "D4e F4e G4e A4e F4e G4e F4e D4e | C4w | ");
    const QString chords = S("F | C | F | C | F | Dm | F | F | F | C | Dm | C | Dm | C | ");
    const Patterns broken{{"F", S("F2e C3 F3 A3 C4 A3 F3 C3")},
                          {"C", S("C3e G3 C4 D4 G4 D4 C4 G3")},
                          {"Dm", S("D3e A3 D4 F4 A4 F4 D4 A3")}};
    const Patterns pad{{"F", S("F3+A3+C4w")}, {"C", S("C3+G3+C4w")}, {"Dm", S("D3+F3+A3w")}};

    Tune t;
    t.file = S("乐曲01.mid");
    t.title = S("茉莉花");
    t.bpm = 66;
    t.voices.push_back({S("melody"), 0, 73, 64, 92, 0.95,
                        restBars(2, "rw") + melody + S("p40 v86 ") + melody + S("T58 rw |")});
    t.voices.push_back({S("koto"), 1, 107, 44, 66, 0.9,
                        expandChords(S("F | C | ") + chords + chords, broken) + S("C2+G2+C3+G3w |")});
    t.voices.push_back({S("strings"), 2, 48, 84, 46, 0.98,
                        restBars(16, "rw") + expandChords(chords, pad) + S("C3+G3+C4w |")});
    return t;
}

// 送别 (J. P. Ordway's 1851 melody, sung in China as 送别): piano, then strings.
Tune farewell()
{
    const QString melody = S(
        "G4q E4e G4e C5h | A4q C5q G4h | G4q C4e D4e E4q D4e C4e | D4h. rq | "
        "G4q E4e G4e C5q. B4e | A4q C5q G4h | G4q D4e E4e F4q. B3e | C4h. rq | "
        "A4q C5q C5h | B4q A4e B4e C5h | A4e B4e C5e A4e A4e G4e E4e C4e | D4h. rq | "
        "G4q E4e G4e C5q. B4e | A4q C5q G4h | G4q D4e E4e F4q. B3e | C4h. rq | ");
    const QString chords = S(
        "C C | F C | C G | G G | C C | F C | C G7 | C C | "
        "F F | G C | F C | G G | C C | F C | C G7 | C C | ");
    const Patterns broken{{"C", S("C3e G3 E4 G3")}, {"F", S("F2e C3 A3 C3")},
                          {"G", S("G2e D3 B3 D3")}, {"G7", S("G2e F3 B3 F3")}};
    Tune t;
    t.file = S("乐曲02.mid");
    t.title = S("送别");
    t.bpm = 76;
    // The second pass slows down over its last phrase only.
    QString secondPass = melody;
    const QString lastPhrase = S("G4q D4e E4e F4q. B3e | C4h. rq | ");
    secondPass.replace(secondPass.lastIndexOf(lastPhrase), lastPhrase.size(),
                       S("T70 G4q D4e E4e F4q. B3e | T62 C4h. rq | "));
    t.voices.push_back({S("melody"), 0, 0, 64, 90, 0.94,
                        restBars(2, "rw") + melody + S("p48 v84 ") + secondPass + S("rw |")});
    t.voices.push_back({S("piano"), 1, 0, 60, 58, 0.9,
                        expandChords(S("C C | G G | ") + chords + chords, broken) + S("C3+G3+C4+E4w |")});
    return t;
}

// Ode to Joy (Beethoven): piano, then clarinet over a cello line, then strings with horns.
Tune odeToJoy()
{
    const QString melody = S(
        "F#4q F#4 G4 A4 | A4 G4 F#4 E4 | D4 D4 E4 F#4 | F#4q. E4e E4h | "
        "F#4q F#4 G4 A4 | A4 G4 F#4 E4 | D4 D4 E4 F#4 | E4q. D4e D4h | "
        "E4q E4 F#4 D4 | E4q F#4e G4e F#4q D4q | E4q F#4e G4e F#4q E4q | D4q E4q A3h | "
        "F#4q F#4 G4 A4 | A4 G4 F#4 E4 | D4 D4 E4 F#4 | E4q. D4e D4h | ");
    const QString chords = S(
        "D D | A7 D | D D | A A | D D | A7 D | D D | A D | "
        "A D | A D | A A | D A | D D | A7 D | D D | A D | ");
    const Patterns alberti{{"D", S("D3e A3 F#3 A3")}, {"A", S("A2e E3 C#3 E3")}, {"A7", S("A2e G3 C#3 G3")}};
    const Patterns roots{{"D", S("D3h")}, {"A", S("A2h")}, {"A7", S("A2h")}};
    const QString ending = S("D3+A3+D4+F#4w |");

    Tune t;
    t.file = S("乐曲03.mid");
    t.title = S("欢乐颂");
    t.bpm = 108;
    t.voices.push_back({S("melody"), 0, 0, 64, 92, 0.9,
                        S("rw | ") + shiftOctaves(melody, 1) + S("p71 v88 ") + melody + S("p48 v100 ") +
                            shiftOctaves(melody, 1) + S("T92 D5+F#5+A5+D6w |")});
    t.voices.push_back({S("piano"), 1, 0, 54, 56, 0.85,
                        expandChords(S("D D | ") + chords + chords + chords, alberti) + ending});
    t.voices.push_back({S("cello"), 2, 42, 70, 76, 0.95,
                        restBars(17, "rw") + expandChords(chords + chords, roots) + S("D2+D3w |")});
    t.voices.push_back({S("horns"), 3, 60, 80, 72, 0.95,
                        restBars(33, "rw") + melody + S("D4+F#4+A4w |")});
    return t;
}

// Canon in D (Pachelbel): the ground in the cello, then three voices entering one
// after another with the same four variations, as a canon does.
Tune canon()
{
    const QString ground = S("D3h A2h | B2h F#2h | G2h D2h | G2h A2h | ");
    const QString a = S("F#5h E5h | D5h C#5h | B4h A4h | B4h C#5h | ");
    const QString b = S("D5h C#5h | B4h A4h | G4h F#4h | G4h E4h | ");
    const QString c = S("D5q F#5q A5q G5q | F#5q D5q F#5q E5q | D5q B4q D5q A5q | G5q B5q A5q G5q | ");
    const QString d = S(
        "D5e F#5 A5 F#5 C#5 E5 A5 E5 | B4e D5 F#5 D5 A4 C#5 F#5 C#5 | "
        "G4e B4 D5 B4 F#4 A4 D5 A4 | G4e B4 D5 B4 A4 C#5 E5 C#5 | ");
    const QString rest = restBars(4, "rw");

    Tune t;
    t.file = S("乐曲04.mid");
    t.title = S("卡农");
    t.bpm = 64;
    t.voices.push_back({S("cello"), 0, 42, 64, 80, 0.97, times(6, ground) + S("T56 ") + ground + S("D2+D3w |")});
    t.voices.push_back({S("violin 1"), 1, 40, 36, 80, 0.96, rest + a + b + c + d + a + b + S("F#5w |")});
    t.voices.push_back({S("violin 2"), 2, 40, 92, 76, 0.96, rest + rest + a + b + c + d + a + S("A4w |")});
    t.voices.push_back({S("viola"), 3, 41, 64, 74, 0.96, rest + rest + rest + a + b + c + d + S("D5w |")});
    return t;
}

// Minuet in G (from the Notebook for Anna Magdalena Bach): harpsichord, with the
// repeats on the flute.
Tune minuet()
{
    const QString a = S(
        "D5q G4e A4e B4e C5e | D5q G4q G4q | E5q C5e D5e E5e F#5e | G5q G4q G4q | "
        "C5q D5e C5e B4e A4e | B4q C5e B4e A4e G4e | F#4q G4e A4e B4e G4e | A4h. | "
        "D5q G4e A4e B4e C5e | D5q G4q G4q | E5q C5e D5e E5e F#5e | G5q G4q G4q | "
        "C5q D5e C5e B4e A4e | B4q C5e B4e A4e G4e | A4q B4e A4e G4e F#4e | G4h. | ");
    const QString b = S(
        "B5q G5e A5e B5e G5e | A5q D5e E5e F#5e D5e | G5q E5e F#5e G5e D5e | C#5q B4e C#5e A4q | "
        "A4e B4e C#5e D5e E5e F#5e | G5q F#5q E5q | F#5q A4q C#5q | D5h. | "
        "D5q G4e F#4e G4q | E5q G4e F#4e G4q | D5q C5q B4q | A4e G4e F#4e G4e A4q | "
        "D4e E4e F#4e G4e A4e B4e | C5q B4q A4q | B4e D5e G4q F#4q | G4h. | ");
    const QString bassA = S(
        "G3+B3+D4h A3q | B3h. | C4h. | B3h. | A3h. | G3h. | D4q B3q G3q | C4q D4q D3q | "
        "G3+B3+D4h A3q | B3h. | C4h. | B3h. | A3h. | G3h. | C4q D4q D3q | G3h G2q | ");
    const QString bassB = S(
        "G3h. | F#3h. | E3h. | A3h. | A2h. | B2q C#3q A2q | A2h. | D3h D2q | "
        "B3h. | C4h. | B3q A3q G3q | D3h. | G2h. | C3h. | D3h. | G2h. | ");
    QString lastB = b;
    lastB.replace(S("B4e D5e G4q F#4q | G4h. | "), S("T100 B4e D5e G4q F#4q | T88 G4h. | "));

    Tune t;
    t.file = S("乐曲05.mid");
    t.title = S("小步舞曲");
    t.bpm = 116;
    t.meterNumerator = 3;
    t.voices.push_back({S("melody"), 0, 6, 64, 88, 0.9,
                        a + S("p73 v84 ") + a + S("p6 v88 ") + b + S("p73 v84 ") + lastB});
    t.voices.push_back({S("bass"), 1, 6, 56, 70, 0.9, bassA + bassA + bassB + bassB});
    return t;
}

// Für Elise (Beethoven), the rondo theme and its first episode, on the piano.
Tune furElise()
{
    const QString coreR = S(
        "E5s D#5s E5s B4s D5s C5s | A4e rs C4s E4s A4s | B4e rs E4s G#4s B4s | C5e rs E4s E5s D#5s | "
        "E5s D#5s E5s B4s D5s C5s | A4e rs C4s E4s A4s | B4e rs E4s C5s B4s | ");
    const QString coreL = S(
        "rq. | A2s E3s A3s re. | E2s E3s G#3s re. | A2s E3s A3s re. | "
        "rq. | A2s E3s A3s re. | E2s E3s G#3s re. | ");
    const QString again = S("A4e re E5s D#5s | ");    // back to the theme
    const QString onward = S("A4e rs B4s C5s D5s | "); // into the episode
    const QString endR = S("A4q. | ");
    const QString endL = S("A2s E3s A3s re. | ");
    const QString episodeR = S("E5e. G4s F5s E5s | D5e. F4s E5s D5s | C5e. E4s D5s C5s | B4e rs E4s E5s D#5s | ");
    const QString episodeL = S("C3s G3s C4s re. | G2s G3s B3s re. | A2s E3s A3s re. | E2s E3s E4s re. | ");
    QString lastCoreR = coreR;
    lastCoreR.replace(S("E5s D#5s E5s B4s D5s C5s | A4e rs C4s E4s A4s | B4e rs E4s C5s B4s | "),
                      S("T58 E5s D#5s E5s B4s D5s C5s | A4e rs C4s E4s A4s | T52 B4e rs E4s C5s B4s | "));

    const QString right = S("E5s D#5s | ") +
        coreR + again + coreR + onward + episodeR + coreR + again +                                   // first time
        coreR + onward + episodeR + S("v60 ") + episodeR + S("v82 ") + lastCoreR + S("T48 ") + endR; // echoed episode
    const QString left = S("re | ") +
        coreL + endL + coreL + endL + episodeL + coreL + endL +
        coreL + endL + episodeL + episodeL + coreL + S("A2+A3q. | ");

    Tune t;
    t.file = S("乐曲06.mid");
    t.title = S("致爱丽丝");
    t.bpm = 63;
    t.meterNumerator = 3;
    t.meterDenominator = 8;
    t.voices.push_back({S("right hand"), 0, 0, 70, 82, 0.95, right});
    t.voices.push_back({S("left hand"), 1, 0, 58, 62, 0.95, left});
    return t;
}

} // namespace

std::vector<Tune> backgroundTunes()
{
    return {jasmine(), farewell(), odeToJoy(), canon(), minuet(), furElise()};
}

} // namespace tunes
