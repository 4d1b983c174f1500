#include "core/app/AppState.h"
#include "common/Music.h"
#include "core/app/Preferences.h"
#include "common/Prompt.h"

#include "Score.h"
#include "Tunes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>

namespace {

const QString kNoDevice = QStringLiteral("没发现声卡！");
const QString kCannotPlay = QStringLiteral("无法播放背景音乐！");

QString tuneFolder()
{
    return QStringLiteral(TESVORA_APPDIR "/sound");
}

// Restores the real audio set-up after each test.
class Music : public ::testing::Test {
protected:
    void TearDown() override
    {
        music::stop();
        music::setAudioDrivers(music::defaultAudioDrivers());
        music::setSoundFonts(music::defaultSoundFonts());
        SetWaveVolume(10);
    }

    // A short tune written with our own generator: three quarter notes at 240/min.
    QString shortTune(const QTemporaryDir& dir)
    {
        tunes::Tune t;
        t.file = QStringLiteral("short.mid");
        t.bpm = 240;
        t.meterNumerator = 3;
        t.voices.push_back({QStringLiteral("piano"), 0, 0, 64, 110, 0.9, QStringLiteral("C5q E5 G5 |")});
        const QString path = dir.filePath(t.file);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(tunes::writeMidi(t));
        return path;
    }

    // Largest absolute 16-bit sample of a WAV file written by the file driver.
    static int loudestSample(const QString& wav)
    {
        QFile f(wav);
        if (!f.open(QIODevice::ReadOnly))
            return -1;
        const QByteArray d = f.readAll();
        int loudest = 0;
        for (qsizetype i = 44; i + 1 < d.size(); i += 2)
            loudest = std::max(loudest, std::abs(int(qint16(quint8(d[i]) | quint8(d[i + 1]) << 8))));
        return loudest;
    }

    void playToTheEnd(const QString& tune)
    {
        PlayBackgroundMusic(tune, true);
        ASSERT_TRUE(music::isPlaying());
        // Plays once, then lets the device go by itself.
        QTRY_VERIFY_WITH_TIMEOUT(!music::isPlaying(), 15000);
    }
};

} // namespace

TEST_F(Music, SetWaveVolumeClampsAndSetsTheGain)
{
    struct Case { int level; int stored; double gain; };
    const double full = music::kFullGain;
    const Case cases[] = {
        {INT_MIN, 1, 0}, {-3, 1, 0}, {0, 1, 0}, {1, 1, 0}, {2, 2, full / 15},
        {10, 10, full * 9 / 15}, {15, 15, full * 14 / 15}, {16, 16, full}, {17, 16, full}, {INT_MAX, 16, full}};
    for (const Case& c : cases) {
        SetWaveVolume(c.level);
        EXPECT_EQ(app::VolumeLevel, c.stored) << c.level;
        EXPECT_DOUBLE_EQ(music::gain(), c.gain) << c.level;
    }
}

TEST_F(Music, NoAudioDeviceSaysSoAndPlaysNothing)
{
    const QString tune = tuneFolder() + QStringLiteral("/乐曲01.mid");
    for (const QStringList& drivers : {QStringList{QStringLiteral("no-such-driver")}, QStringList{}}) {
        music::setAudioDrivers(drivers);
        EXPECT_FALSE(music::hasAudioDevice());
        {
            // Stopping asks for no card.
            prompt::Script script;
            PlayBackgroundMusic(tune, false);
            EXPECT_TRUE(script.asked().empty());
        }
        {
            prompt::Script script;
            PlayBackgroundMusic(tune, true);
            EXPECT_FALSE(music::isPlaying());
            ASSERT_EQ(script.asked().size(), 1u);
            const prompt::Asked& a = script.asked()[0];
            EXPECT_EQ(a.kind, prompt::Asked::Kind::Prompt);
            EXPECT_EQ(a.caption, QStringLiteral("提示"));
            EXPECT_EQ(a.text, kNoDevice);
            EXPECT_EQ(a.mode, 1);
            EXPECT_EQ(a.page, 1);
            EXPECT_EQ(a.variant, QStringLiteral("NO"));
        }
    }
}

TEST(MusicPreferences, ANewUserHearsMusicAndAChoiceIsReadBack)
{
    QTemporaryDir dir;
    const QString before = prefs::setFile(dir.filePath(QStringLiteral("tesvora.ini")));
    const music::Preferences fresh = music::loadPreferences();
    EXPECT_TRUE(fresh.on);
    EXPECT_TRUE(fresh.tune.isEmpty());
    for (const music::Preferences& p : {music::Preferences{false, QStringLiteral("乐曲03")}, music::Preferences{true, QString()}}) {
        music::savePreferences(p);
        const music::Preferences back = music::loadPreferences();
        EXPECT_EQ(back.on, p.on);
        EXPECT_EQ(back.tune, p.tune);
    }
    prefs::setFile(before);
}

// The file driver stands in for a sound card: the tune is really synthesised.
TEST_F(Music, PlaysOnceThenStopsAndTheVolumeReachesTheOutput)
{
    QTemporaryDir dir;
    const QString tune = shortTune(dir);
    const QString loud = dir.filePath(QStringLiteral("loud.wav"));
    const QString silent = dir.filePath(QStringLiteral("silent.wav"));
    prompt::Script script;

    SetWaveVolume(16);
    music::setAudioDrivers({QStringLiteral("file")}, loud);
    EXPECT_TRUE(music::hasAudioDevice());
    playToTheEnd(tune);
    EXPECT_GT(loudestSample(loud), 1000);

    SetWaveVolume(1);
    music::setAudioDrivers({QStringLiteral("file")}, silent);
    playToTheEnd(tune);
    EXPECT_LE(loudestSample(silent), 2); // the synth's dither, nothing more
    EXPECT_TRUE(script.asked().empty()) << script.texts().join(u'|').toStdString();
}

TEST_F(Music, SwitchingOffStopsTheTune)
{
    QTemporaryDir dir;
    prompt::Script script;
    music::setAudioDrivers({QStringLiteral("file")}, dir.filePath(QStringLiteral("out.wav")));
    PlayBackgroundMusic(tuneFolder() + QStringLiteral("/乐曲04.mid"), true);
    ASSERT_TRUE(music::isPlaying());
    // Choosing another tune replaces the one playing.
    PlayBackgroundMusic(tuneFolder() + QStringLiteral("/乐曲05.mid"), true);
    EXPECT_TRUE(music::isPlaying());
    PlayBackgroundMusic(tuneFolder() + QStringLiteral("/乐曲05.mid"), false);
    EXPECT_FALSE(music::isPlaying());
    EXPECT_TRUE(script.asked().empty());
}

TEST_F(Music, UnplayableTunesSaySoAndPlayNothing)
{
    QTemporaryDir dir;
    const QString good = shortTune(dir);
    QFile g(good);
    ASSERT_TRUE(g.open(QIODevice::ReadOnly));
    const QByteArray bytes = g.readAll();
    auto write = [&](const char* name, const QByteArray& content) {
        QFile f(dir.filePath(QString::fromUtf8(name)));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return f.fileName();
    };
    const QString cases[] = {
        dir.filePath(QStringLiteral("missing.mid")),
        write("text.mid", "not a tune at all"),
        write("cut.mid", bytes.left(bytes.size() - 10)),
        write("empty.mid", QByteArray()),
        dir.path(), // a folder
    };
    music::setAudioDrivers({QStringLiteral("file")}, dir.filePath(QStringLiteral("out.wav")));
    for (const QString& file : cases) {
        prompt::Script script;
        PlayBackgroundMusic(file, true);
        EXPECT_FALSE(music::isPlaying()) << file.toStdString();
        EXPECT_EQ(script.texts(), QStringList{kCannotPlay}) << file.toStdString();
    }

    // Without a soundfont nothing can sound either.
    music::setSoundFonts({dir.filePath(QStringLiteral("none.sf2"))});
    prompt::Script script;
    PlayBackgroundMusic(good, true);
    EXPECT_FALSE(music::isPlaying());
    EXPECT_EQ(script.texts(), QStringList{kCannotPlay});
}

TEST(MidiReader, ReadsTimingAndRejectsBrokenFiles)
{
    auto track = [](const QByteArray& events) {
        QByteArray t("MTrk");
        const quint32 n = quint32(events.size());
        t += char(n >> 24); t += char(n >> 16); t += char(n >> 8); t += char(n);
        return t + events;
    };
    auto header = [](int format, int tracks, int division) {
        QByteArray h("MThd\0\0\0\x06", 8);
        h += char(0); h += char(format); h += char(0); h += char(tracks);
        h += char(division >> 8); h += char(division & 0xFF);
        return h;
    };
    const QByteArray end("\x00\xFF\x2F\x00", 4);
    // 96 ticks per quarter; 120/min for 2 quarters, then 60/min for 1 quarter: 1 s + 1 s.
    const QByteArray tempoTrack = track(QByteArray("\x00\xFF\x51\x03\x07\xA1\x20", 7) +
                                        QByteArray("\x81\x40\xFF\x51\x03\x0F\x42\x40", 8) + end);
    // Note on, then two more note events under running status, then the notes end at tick 288.
    const QByteArray notes = track(QByteArray("\x00\x90\x3C\x64\x00\x40\x64\x00\x43\x64", 10) +
                                   QByteArray("\x82\x20\x3C\x00\x00\x40\x00\x00\x43\x00", 10) + end);

    const auto ok = music::readMidi(header(1, 2, 96) + tempoTrack + notes);
    ASSERT_TRUE(ok.has_value());
    EXPECT_EQ(ok->tracks, 2);
    EXPECT_EQ(ok->division, 96);
    EXPECT_EQ(ok->noteOns, 3); // velocity 0 is a note-off
    EXPECT_EQ(ok->lastTick, 288);
    EXPECT_NEAR(ok->seconds, 2.0, 1e-9);

    struct Bad { const char* why; QByteArray bytes; };
    const Bad bad[] = {
        {"not MThd", QByteArray("RIFF\0\0\0\x06\0\x01\0\x01\0\x60", 14) + notes},
        {"no tracks declared", header(0, 0, 96)},
        {"fewer tracks than declared", header(1, 3, 96) + tempoTrack + notes},
        {"chunk longer than the file", header(0, 1, 96) + notes.left(notes.size() - 3)},
        {"track without end", header(0, 1, 96) + track(QByteArray("\x00\x90\x3C\x64", 4))},
        {"data byte without status", header(0, 1, 96) + track(QByteArray("\x00\x3C\x64", 3) + end)},
        {"truncated delta", header(0, 1, 96) + track(QByteArray("\x80\x80", 2))},
        {"status byte inside data", header(0, 1, 96) + track(QByteArray("\x00\x90\x3C\x90", 4) + end)},
    };
    for (const Bad& b : bad) {
        QString why;
        EXPECT_FALSE(music::readMidi(b.bytes, &why).has_value()) << b.why;
        EXPECT_FALSE(why.isEmpty()) << b.why;
    }
}

// The six tunes the build writes into the program folder.
TEST(Tunes, SixValidTunesOfAtLeastAMinute)
{
    QStringList seen;
    for (int i = 1; i <= 6; ++i) {
        const QString path = tuneFolder() + QStringLiteral("/乐曲%1.mid").arg(i, 2, 10, QLatin1Char('0'));
        QString why;
        const auto info = music::readMidiFile(path, &why);
        ASSERT_TRUE(info.has_value()) << path.toStdString() << ": " << why.toStdString();
        EXPECT_EQ(info->format, 1);
        EXPECT_EQ(info->division, tunes::kTicksPerQuarter);
        EXPECT_GE(info->tracks, 3) << "tempo track, melody and accompaniment";
        EXPECT_GE(info->seconds, 60.0) << path.toStdString();
        EXPECT_LE(info->seconds, 180.0) << path.toStdString();
        EXPECT_GE(info->noteOns, 150) << path.toStdString();
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        EXPECT_FALSE(seen.contains(QString::fromLatin1(bytes.toBase64()))) << "tune " << i << " repeats another";
        seen << QString::fromLatin1(bytes.toBase64());
    }
}

TEST(Tunes, NotationCatchesTranscriptionMistakes)
{
    auto parse = [](const char* notes, int barTicks = 1920) {
        tunes::Voice v;
        v.name = QStringLiteral("test");
        v.notes = QString::fromUtf8(notes);
        return tunes::parseVoice(v, barTicks);
    };
    // Lengths carry over, dots add half, chords sound together, a pickup bar is allowed.
    const tunes::ParsedVoice p = parse("E5e D#5 | C4+E4+G4h. A4e B4 | rw |");
    ASSERT_EQ(p.notes.size(), 7u);
    EXPECT_EQ(p.notes[1].key, 75); // D#5
    EXPECT_EQ(p.notes[1].tick, 240);
    EXPECT_EQ(p.notes[2].tick, 480);
    EXPECT_EQ(p.notes[4].tick, 480); // G4 with the chord
    EXPECT_EQ(p.notes[5].tick, 480 + 1440);
    EXPECT_EQ(p.endTick, 480 + 1920 + 1920);

    const char* mistakes[] = {
        "C4w | C4q D4q E4q | F4w |",  // a short bar after the first
        "C4w | D4w E4q |",            // a bar too long
        "C4w | H4w |",                // no such note
        "C4w | C4x |",                // no such length
        "v200 C4w |",                 // velocity out of range
        "C4w | D4h",                  // unfinished last bar
    };
    for (const char* m : mistakes)
        EXPECT_THROW(parse(m), tunes::ScoreError) << m;

    EXPECT_EQ(tunes::shiftOctaves(QStringLiteral("F#4q Bb3 C4+E4h | T60 v80"), 1),
              QStringLiteral("F#5q Bb4 C5+E5h | T60 v80"));
}
