#pragma once

#include <QString>

// The candidate's choices that belong to the user, not to the bank: kept in the user's
// configuration (an ini file), so they survive the window and the program.
namespace prefs {

// The output volume a start begins with (1 silent … 16 full).
constexpr int kDefaultVolume = 10;

// Background music: on for a new user; the tune's name ("乐曲03", empty when none).
bool musicOn();
void setMusicOn(bool on);
QString musicTune();
void setMusicTune(const QString& tune);

// The folder the last exported paper went to (empty: none yet).
QString exportFolder();
void setExportFolder(const QString& folder);

// The file type the chart was last saved as, by its ending ("png"; empty: none yet).
QString chartFileType();
void setChartFileType(const QString& suffix);

// Tests keep the preferences in a file of their own (empty: the user's configuration).
// Returns the file used before.
QString setFile(const QString& file);

} // namespace prefs
