#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

// Our output volume: the level is clamped to 1 … 16 (1 silent, 16 full) and kept in
// app::VolumeLevel.
void SetWaveVolume(int level);

// Plays the tune `file` once (on) or stops it (off). Asked to play without an audio
// output device it says "没发现声卡！" and does nothing else; a tune that cannot be
// played says "无法播放背景音乐！". Stopping never asks for a device.
void PlayBackgroundMusic(const QString& file, bool on);

namespace music {

// Synth gain at level 16; FluidSynth's range is 0 … 10, higher values clip on chords.
inline constexpr double kFullGain = 0.8;
double gainForLevel(int level);
double gain();

bool isPlaying();
// Stops the tune and releases the audio device.
void stop();

// Audio output: the FluidSynth drivers tried in order; when none of them opens, there
// is no audio output device. Tests replace the list, e.g. {"none"} for "no device" or
// {"file"} with a file name to render into instead of a sound card.
QStringList defaultAudioDrivers();
void setAudioDrivers(const QStringList& drivers, const QString& fileName = QString());
bool hasAudioDevice();

// The General MIDI soundfont the synth loads: the first that exists of the candidates
// (sound/*.sf2 beside the program, then the Debian soundfont packages).
QStringList defaultSoundFonts();
void setSoundFonts(const QStringList& candidates);
QString soundFont();

// What a standard MIDI file holds, after checking its structure.
struct MidiInfo {
    int format = 0;
    int tracks = 0;
    int division = 0;      // ticks per quarter note (or SMPTE)
    qint64 lastTick = 0;   // of the last event over all tracks
    int noteOns = 0;
    double seconds = 0;    // playing time, tempo changes included
};
std::optional<MidiInfo> readMidi(const QByteArray& data, QString* error = nullptr);
std::optional<MidiInfo> readMidiFile(const QString& path, QString* error = nullptr);

// The candidate's music choice as one value, kept with the other preferences
// (core/app/Preferences.h): on or off, and the tune's name ("乐曲03", empty when none).
struct Preferences {
    bool on = true;
    QString tune;
};
Preferences loadPreferences();
void savePreferences(const Preferences& preferences);

} // namespace music
