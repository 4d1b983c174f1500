#include "shell/AppState.h"

namespace app {

int CurrentPaperNo = 0;
int CurrentSubject = 1;
QString ScreenSizeTag = QStringLiteral("1024");
QVector<int> TypeAnswerTimes;
QVector<int> TypeIds;
int VolumeLevel = 10;
bool MusicOn = true;
QString MusicFile;
QString PracticeQuery;
store::Params PracticeParams;
QString FirstQuestionId;
bool NoteHasText = false;
bool ConfigTimesOnly = false;

QString currentTypeTable()
{
    if (CurrentPaperNo < 1 || CurrentPaperNo > 5)
        CurrentPaperNo = 1;
    return QStringLiteral("tab_tx%1").arg(CurrentPaperNo);
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
    VolumeLevel = 10;
    MusicOn = true;
    MusicFile.clear();
    PracticeQuery.clear();
    PracticeParams.clear();
    FirstQuestionId.clear();
    NoteHasText = false;
    ConfigTimesOnly = false;
}

} // namespace app
