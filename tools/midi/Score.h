#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <stdexcept>
#include <vector>

// A tiny note notation for the tune tables, and a standard MIDI file writer.
//
// A voice is a string of tokens separated by blanks:
//   D5q  F#4e.  Bb3h  C4+E4+G4w   a note or chord: pitch(es), then an optional length
//                                 (w h q e s, '.' = dotted); no length = the previous one
//   rq  re.                       a rest
//   |                             bar line: the bar must be full (the first may be a pickup)
//   v80                           velocity of the following notes
//   p40                           General MIDI program from here on
//   T66                           tempo (quarter notes per minute) from here on
namespace tunes {

inline constexpr int kTicksPerQuarter = 480;

struct ScoreError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Voice {
    QString name;
    int channel = 0;
    int program = 0;   // General MIDI, 0-based
    int pan = 64;
    int velocity = 80;
    double legato = 0.92; // sounding part of each note's length
    QString notes;
};

struct Tune {
    QString file;  // e.g. "乐曲01.mid"
    QString title;
    int bpm = 90;  // quarter notes per minute at the start
    int meterNumerator = 4;
    int meterDenominator = 4;
    std::vector<Voice> voices;
};

struct NoteEvent {
    int tick;
    int length;
    int key;
    int velocity;
};

struct ParsedVoice {
    std::vector<NoteEvent> notes;
    std::vector<std::pair<int, int>> programs; // tick, program
    std::vector<std::pair<int, int>> tempos;   // tick, bpm
    int endTick = 0;
};

// Parses one voice; throws ScoreError naming the voice, bar and token on any mistake.
ParsedVoice parseVoice(const Voice& voice, int barTicks);

// The whole tune as a format-1 MIDI file: a tempo track, then one track per voice.
QByteArray writeMidi(const Tune& tune);

// Note name → MIDI key ("C4" = 60); -1 when it is not a note name.
int keyOf(QStringView name);

// Repeats a voice fragment n times.
QString times(int n, const QString& fragment);

// The same notes, n octaves higher (negative: lower).
QString shiftOctaves(const QString& notes, int n);

// Expands a chord line ("F C | Dm C |") into notes, each chord name replaced by its
// pattern; bar lines pass through.
QString expandChords(const QString& chords, const std::vector<std::pair<QString, QString>>& patterns);

} // namespace tunes
