#include "common/Music.h"

#include "core/app/AppState.h"
#include "core/app/Preferences.h"
#include "common/Prompt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>

#include <fluidsynth.h>

#include <algorithm>
#include <cstring>
#include <memory>

Q_LOGGING_CATEGORY(lcMusic, "tesvora.music", QtWarningMsg)

namespace music {

namespace {

struct Output {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    fluid_audio_driver_t* driver = nullptr;

    // The driver goes first: it stops the audio thread that pulls from the synth.
    void release()
    {
        if (driver)
            delete_fluid_audio_driver(driver);
        if (synth)
            delete_fluid_synth(synth);
        if (settings)
            delete_fluid_settings(settings);
        *this = Output();
    }
};

struct State {
    std::optional<QStringList> drivers;
    QString fileName;
    std::optional<QStringList> soundFonts;
    double gain = gainForLevel(10);
    Output output;
    fluid_player_t* player = nullptr;
    QTimer* watch = nullptr;
};

State& state()
{
    static State s;
    return s;
}

void toDebugLog(int level, const char* message, void*)
{
    qCDebug(lcMusic) << "fluidsynth" << level << message;
}

// FluidSynth reports a missing audio server on stderr; here that is an ordinary answer.
void quietSynth()
{
    static bool done = false;
    if (done)
        return;
    for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
        fluid_set_log_function(level, toDebugLog, nullptr);
    done = true;
}

// Opens the first driver of the list that works, with a synth behind it.
Output openOutput()
{
    quietSynth();
    State& s = state();
    for (const QString& name : s.drivers.value_or(defaultAudioDrivers())) {
        Output out;
        out.settings = new_fluid_settings();
        if (!out.settings)
            continue;
        fluid_settings_setstr(out.settings, "audio.driver", name.toUtf8().constData());
        if (name == QLatin1String("file") && !s.fileName.isEmpty())
            fluid_settings_setstr(out.settings, "audio.file.name", QFile::encodeName(s.fileName).constData());
        out.synth = new_fluid_synth(out.settings);
        if (out.synth) {
            fluid_synth_set_gain(out.synth, float(s.gain));
            out.driver = new_fluid_audio_driver(out.settings, out.synth);
        }
        if (out.driver) {
            qCDebug(lcMusic) << "audio output:" << name;
            return out;
        }
        out.release();
    }
    return Output();
}

void ensureCleanupAtExit()
{
    static bool registered = false;
    if (!registered) {
        qAddPostRoutine([] {
            stop();
            delete state().watch;
            state().watch = nullptr;
        });
        registered = true;
    }
}

bool startTune(const QString& file)
{
    QString why;
    const std::optional<MidiInfo> info = readMidiFile(file, &why);
    if (!info || info->noteOns == 0) {
        qCDebug(lcMusic) << "cannot play" << file << why;
        return false;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = f.readAll();
    const QString font = soundFont();
    if (font.isEmpty()) {
        qCDebug(lcMusic) << "no General MIDI soundfont";
        return false;
    }

    State& s = state();
    s.output = openOutput();
    if (!s.output.driver)
        return false;
    if (fluid_synth_sfload(s.output.synth, QFile::encodeName(font).constData(), 1) == FLUID_FAILED)
        return false;
    s.player = new_fluid_player(s.output.synth);
    if (!s.player || fluid_player_add_mem(s.player, bytes.constData(), size_t(bytes.size())) != FLUID_OK)
        return false;
    fluid_player_set_loop(s.player, 1); // once, no repeat
    if (fluid_player_play(s.player) != FLUID_OK)
        return false;

    ensureCleanupAtExit();
    if (!s.watch) {
        s.watch = new QTimer;
        s.watch->setInterval(200);
        QObject::connect(s.watch, &QTimer::timeout, [] {
            fluid_player_t* p = state().player;
            if (!p || fluid_player_get_status(p) != FLUID_PLAYER_PLAYING)
                stop(); // the tune has ended: give the device back
        });
    }
    s.watch->start();
    return true;
}

quint32 be32(const uchar* p)
{
    return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3];
}

quint16 be16(const uchar* p)
{
    return quint16(p[0] << 8 | p[1]);
}

} // namespace

double gainForLevel(int level)
{
    level = std::clamp(level, 1, 16);
    return kFullGain * (level - 1) / 15.0;
}

double gain()
{
    return state().gain;
}

bool isPlaying()
{
    return state().player != nullptr;
}

void stop()
{
    State& s = state();
    if (s.watch)
        s.watch->stop();
    if (s.output.driver) {
        delete_fluid_audio_driver(s.output.driver);
        s.output.driver = nullptr;
    }
    if (s.player) {
        fluid_player_stop(s.player);
        delete_fluid_player(s.player);
        s.player = nullptr;
    }
    s.output.release();
}

QStringList defaultAudioDrivers()
{
    return {QStringLiteral("pulseaudio"), QStringLiteral("pipewire"), QStringLiteral("alsa")};
}

void setAudioDrivers(const QStringList& drivers, const QString& fileName)
{
    stop();
    state().drivers = drivers;
    state().fileName = fileName;
}

bool hasAudioDevice()
{
    // While a tune plays, the device is ours; probing it again could fail on a device
    // that only one client may open.
    if (state().output.driver)
        return true;
    Output probe = openOutput();
    const bool found = probe.driver != nullptr;
    probe.release();
    return found;
}

QStringList defaultSoundFonts()
{
    QStringList list;
    if (QCoreApplication::instance()) {
        const QDir own(QCoreApplication::applicationDirPath() + QStringLiteral("/sound"));
        for (const QString& f : own.entryList({QStringLiteral("*.sf2"), QStringLiteral("*.sf3")}, QDir::Files, QDir::Name))
            list << own.filePath(f);
    }
    list << QStringLiteral("/usr/share/sounds/sf2/TimGM6mb.sf2") << QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2")
         << QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2") << QStringLiteral("/usr/share/soundfonts/default.sf2")
         << QStringLiteral("/usr/share/sounds/sf3/default-GM.sf3");
    return list;
}

void setSoundFonts(const QStringList& candidates)
{
    state().soundFonts = candidates;
}

QString soundFont()
{
    for (const QString& f : state().soundFonts.value_or(defaultSoundFonts()))
        if (QFileInfo(f).isFile())
            return f;
    return QString();
}

std::optional<MidiInfo> readMidi(const QByteArray& data, QString* error)
{
    auto fail = [error](const QString& why) -> std::optional<MidiInfo> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    const auto* p = reinterpret_cast<const uchar*>(data.constData());
    const qint64 n = data.size();
    if (n < 14 || std::memcmp(p, "MThd", 4) != 0)
        return fail(QStringLiteral("not a MIDI file"));
    const quint32 headerLength = be32(p + 4);
    if (headerLength < 6 || headerLength > quint32(n - 8))
        return fail(QStringLiteral("bad header"));
    MidiInfo info;
    info.format = be16(p + 8);
    const int trackCount = be16(p + 10);
    info.division = be16(p + 12);
    if (info.format > 2 || trackCount == 0 || info.division == 0)
        return fail(QStringLiteral("bad header values"));

    std::vector<std::pair<qint64, quint32>> tempos; // tick, microseconds per quarter
    qint64 pos = 8 + qint64(headerLength);
    while (pos + 8 <= n && info.tracks < trackCount) {
        const uchar* chunk = p + pos;
        const quint32 length = be32(chunk + 4);
        pos += 8;
        if (length > quint64(n - pos))
            return fail(QStringLiteral("chunk runs past the end"));
        if (std::memcmp(chunk, "MTrk", 4) == 0) {
            const uchar* t = p + pos;
            quint32 i = 0;
            qint64 tick = 0;
            uchar running = 0;
            bool ended = false;
            auto varLen = [&](quint32& value) {
                value = 0;
                for (int k = 0; k < 4; ++k) {
                    if (i >= length)
                        return false;
                    const uchar b = t[i++];
                    value = (value << 7) | (b & 0x7F);
                    if (!(b & 0x80))
                        return true;
                }
                return false;
            };
            while (i < length && !ended) {
                quint32 delta;
                if (!varLen(delta) || i >= length)
                    return fail(QStringLiteral("truncated event"));
                tick += delta;
                uchar status = t[i];
                if (status & 0x80)
                    ++i;
                else if (running)
                    status = running;
                else
                    return fail(QStringLiteral("data byte without a status"));
                if (status == 0xFF || status == 0xF0 || status == 0xF7) {
                    uchar type = 0;
                    if (status == 0xFF) {
                        if (i >= length)
                            return fail(QStringLiteral("truncated meta event"));
                        type = t[i++];
                    }
                    quint32 len;
                    if (!varLen(len) || len > length - i)
                        return fail(QStringLiteral("truncated meta or system event"));
                    if (status == 0xFF && type == 0x51 && len == 3)
                        tempos.push_back({tick, quint32(t[i]) << 16 | quint32(t[i + 1]) << 8 | t[i + 2]});
                    if (status == 0xFF && type == 0x2F)
                        ended = true;
                    i += len;
                    running = 0;
                } else if (status >= 0xF0) {
                    return fail(QStringLiteral("unexpected system message"));
                } else {
                    running = status;
                    const quint32 dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
                    if (dataBytes > length - i)
                        return fail(QStringLiteral("truncated channel message"));
                    for (quint32 k = 0; k < dataBytes; ++k)
                        if (t[i + k] & 0x80)
                            return fail(QStringLiteral("bad data byte"));
                    if ((status & 0xF0) == 0x90 && t[i + 1] > 0)
                        ++info.noteOns;
                    i += dataBytes;
                }
                info.lastTick = std::max(info.lastTick, tick);
            }
            if (!ended)
                return fail(QStringLiteral("track without an end"));
            ++info.tracks;
        }
        pos += length;
    }
    if (info.tracks != trackCount)
        return fail(QStringLiteral("%1 of %2 tracks found").arg(info.tracks).arg(trackCount));

    if (info.division & 0x8000) { // SMPTE: frames per second and ticks per frame
        const int fps = -qint8(info.division >> 8);
        const int perFrame = info.division & 0xFF;
        if (fps <= 0 || perFrame == 0)
            return fail(QStringLiteral("bad time division"));
        info.seconds = double(info.lastTick) / (fps * perFrame);
        return info;
    }
    std::stable_sort(tempos.begin(), tempos.end(), [](auto& a, auto& b) { return a.first < b.first; });
    double micros = 0;
    qint64 at = 0;
    quint32 usPerQuarter = 500000;
    for (auto [tick, us] : tempos) {
        if (tick >= info.lastTick)
            break;
        micros += double(tick - at) * usPerQuarter / info.division;
        at = tick;
        usPerQuarter = us;
    }
    micros += double(info.lastTick - at) * usPerQuarter / info.division;
    info.seconds = micros / 1e6;
    return info;
}

std::optional<MidiInfo> readMidiFile(const QString& path, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = f.errorString();
        return std::nullopt;
    }
    return readMidi(f.readAll(), error);
}

} // namespace music

void SetWaveVolume(int level)
{
    level = std::clamp(level, 1, 16);
    app::VolumeLevel = level;
    music::State& s = music::state();
    s.gain = music::gainForLevel(level);
    if (s.output.synth)
        fluid_synth_set_gain(s.output.synth, float(s.gain));
}

void PlayBackgroundMusic(const QString& file, bool on)
{
    // Stopping needs no sound card: only something to play does.
    music::stop();
    if (!on)
        return;
    if (!music::hasAudioDevice()) {
        prompt::notice(QStringLiteral("没发现声卡！"));
        return;
    }
    if (!music::startTune(file)) {
        music::stop();
        prompt::notice(QStringLiteral("无法播放背景音乐！"));
    }
}

namespace music {

Preferences loadPreferences()
{
    return {prefs::musicOn(), prefs::musicTune()};
}

void savePreferences(const Preferences& p)
{
    prefs::setMusicOn(p.on);
    prefs::setMusicTune(p.tune);
}

} // namespace music
