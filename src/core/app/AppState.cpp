#include "core/app/AppState.h"

#include "core/app/Preferences.h"

#include <QCoreApplication>
#include <cstdlib>

namespace app {

int CurrentPaperNo = 0;
int CurrentSubject = 1;
QString ScreenSizeTag = QStringLiteral("1024");
QVector<int> TypeAnswerTimes;
QVector<int> TypeIds;
int VolumeLevel = prefs::kDefaultVolume;
bool MusicOn = true;
QString MusicFile;
QString FirstQuestionId;
bool NoteHasText = false;
bool ConfigTimesOnly = false;

int currentPaperNo()
{
    return CurrentPaperNo >= 1 && CurrentPaperNo <= 5 ? CurrentPaperNo : 1;
}

void ensureCurrentPaperNo()
{
    CurrentPaperNo = currentPaperNo();
}

QString currentTypeTable()
{
    return QStringLiteral("tab_tx%1").arg(currentPaperNo());
}

int answerTimeOfType(int typeId)
{
    const int i = TypeIds.indexOf(typeId);
    return i >= 0 && i < TypeAnswerTimes.size() ? TypeAnswerTimes[i] : 600;
}

void resetAppState()
{
    CurrentPaperNo = 0;
    CurrentSubject = 1;
    ScreenSizeTag = QStringLiteral("1024");
    TypeAnswerTimes.clear();
    TypeIds.clear();
    VolumeLevel = prefs::kDefaultVolume;
    MusicOn = true;
    MusicFile.clear();
    FirstQuestionId.clear();
    NoteHasText = false;
    ConfigTimesOnly = false;
}

namespace {
std::function<void(int)> g_endProgram;
} // namespace

void endProgram(int code)
{
    if (g_endProgram) {
        g_endProgram(code);
        return;
    }
    QCoreApplication::exit(code);
    // A modal screen's own loop would go on running: the process ends here.
    std::quick_exit(code);
}

void setEndProgramHandler(std::function<void(int)> handler)
{
    g_endProgram = std::move(handler);
}

} // namespace app
